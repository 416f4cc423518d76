#include "SimServer.h"

#include "Sim17Track.h"
#include "SimKdniao.h"
#include "SimKuaidi100.h"
#include "SimPages.h"
#include "SimRecords.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

namespace {
constexpr int kMaxRequestHeader = 64 * 1024;
constexpr qint64 kMaxRequestBody = 1024 * 1024;
const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");

QByteArray reasonFor(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 429:
        return "Too Many Requests";
    default:
        return "Internal Server Error";
    }
}
} // namespace

bool SimFaults::enable(const QString &kind)
{
    const struct {
        const char *name;
        bool SimFaults::*flag;
    } kinds[] = {
        {"status500", &SimFaults::status500}, {"no-content", &SimFaults::noContent},
        {"timeout", &SimFaults::timeout},     {"bad-utf8", &SimFaults::badUtf8},
        {"no-more", &SimFaults::noMore},      {"long", &SimFaults::longAnswer},
        {"no-field", &SimFaults::noField},    {"update-fail", &SimFaults::updateFail},
        {"endless", &SimFaults::endless},     {"huge", &SimFaults::huge},
        {"trickle", &SimFaults::trickle},     {"redirect-loop", &SimFaults::redirectLoop},
        {"bomb", &SimFaults::bomb},           {"html200", &SimFaults::html200},
    };
    for (const auto &k : kinds) {
        if (kind == QLatin1String(k.name)) {
            this->*(k.flag) = true;
            return true;
        }
    }
    return false;
}

SimServer::SimServer(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
    m_services.push_back(std::make_unique<SimKuaidi100>(options.accounts));
    m_services.push_back(std::make_unique<SimKdniao>(options.accounts));
    m_services.push_back(std::make_unique<Sim17Track>(options.accounts));
    m_clock.start();
}

SimServer::~SimServer() = default;

bool SimServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 SimServer::port() const
{
    return m_server->serverPort();
}

QString SimServer::errorString() const
{
    return m_server->errorString();
}

void SimServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void SimServer::onReadyRead(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        if (buffer.size() > kMaxRequestHeader) {
            socket->setProperty("answered", true);
            send(socket, {400, kText, "request too large\n", false});
        } else {
            socket->setProperty("buffer", buffer);
        }
        return;
    }
    QHash<QByteArray, QByteArray> headers;
    const QList<QByteArray> headerLines = buffer.left(headerEnd).split('\n');
    for (qsizetype i = 1; i < headerLines.size(); ++i) {
        const qsizetype colon = headerLines[i].indexOf(':');
        if (colon > 0)
            headers.insert(headerLines[i].left(colon).trimmed().toLower(), headerLines[i].mid(colon + 1).trimmed());
    }
    // The account services are asked by POST; wait for the whole body.
    const qint64 bodyLength = qMax<qint64>(0, headers.value("content-length").toLongLong());
    if (bodyLength > kMaxRequestBody) {
        socket->setProperty("answered", true);
        send(socket, {400, kText, "request too large\n", false});
        return;
    }
    if (buffer.size() - headerEnd - 4 < bodyLength) {
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("answered", true);
    socket->setProperty("buffer", QVariant());

    const QByteArray requestLine = buffer.left(buffer.indexOf("\r\n"));
    const QList<QByteArray> parts = requestLine.split(' ');
    Response response;
    if (parts.size() != 3 || !parts[1].startsWith('/')) {
        response = {400, kText, "bad request\n", false};
    } else {
        const SimRequest request{parts[0], QUrl(QString::fromLatin1(parts[1])), headers,
                                 buffer.mid(headerEnd + 4, bodyLength), m_clock.elapsed()};
        std::optional<Response> account = accountAnswer(request);
        response = account ? *account : route(parts[0], request.url);
    }

    if (response.never)
        return; // left open until the client gives up
    if (m_options.latencyMs <= 0) {
        send(socket, response);
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(m_options.latencyMs, this, [guarded, response] {
        if (guarded)
            send(guarded, response);
    });
}

SimServer::Response SimServer::route(const QByteArray &method, const QUrl &url) const
{
    if (method != "GET")
        return {405, kText, "only GET\n", false};
    const QString path = url.path(QUrl::FullyDecoded);
    const QUrlQuery query(url);

    if (path == QLatin1String("/"))
        return {200, kHtml, SimPages::startPage().toUtf8(), false};
    if (path == QLatin1String("/apione"))
        return concise(url);
    if (path == QLatin1String("/update.ini")) {
        if (m_options.faults.updateFail)
            return {500, kText, "update descriptor unavailable\n", false};
        if (m_options.faults.faultNumber.isEmpty()) {
            if (std::optional<Response> bad = unruly(url))
                return *bad;
        }
        return {200, kText, "[Ver]\r\nnew=" + m_options.updateVersion.toUtf8() + "\r\n", false};
    }
    if (path == QLatin1String("/update/tolvane.zip"))
        return {200, "application/zip", QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'), false};

    if (path == QLatin1String("/index.html") && query.hasQueryItem(QStringLiteral("types")))
        return trackingPage(int(SimPages::Site::Backup2),
                            query.queryItemValue(QStringLiteral("types"), QUrl::FullyDecoded));
    static const QString allPrefix = QStringLiteral("/all/");
    static const QString shtml = QStringLiteral(".shtml");
    if (path.startsWith(allPrefix) && path.endsWith(shtml) && path.count(QLatin1Char('/')) == 2)
        return trackingPage(int(SimPages::Site::Default),
                            path.mid(allPrefix.size(), path.size() - allPrefix.size() - shtml.size()));
    static const QString html = QStringLiteral(".html");
    if (path.endsWith(html) && path.count(QLatin1Char('/')) == 1)
        return trackingPage(int(SimPages::Site::Backup1), path.mid(1, path.size() - 1 - html.size()));

    return {404, kText, "not found\n", false};
}

std::optional<SimServer::Response> SimServer::accountAnswer(const SimRequest &request)
{
    const QString path = request.url.path(QUrl::FullyDecoded);
    for (const std::unique_ptr<SimService> &service : m_services) {
        if (!service->serves(path))
            continue;
        if (request.method != "POST")
            return Response{405, kText, "only POST\n", false};
        const SimFaults &f = m_options.faults;
        const bool hit = f.faultNumber.isEmpty() || service->numbersIn(request).contains(f.faultNumber);
        if (hit && f.timeout)
            return Response{0, {}, {}, true};
        if (hit && f.status500)
            return Response{500, kText, "server error\n", false};
        if (hit && f.html200)
            return Response{200, kHtml,
                            "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n"
                            "<center><h1>502 Bad Gateway</h1></center>\r\n<hr><center>nginx</center>\r\n"
                            "</body>\r\n</html>\r\n",
                            false};
        return service->answer(request);
    }
    return std::nullopt;
}

SimServer::Response SimServer::concise(const QUrl &url) const
{
    const QUrlQuery query(url);
    const QString code = query.queryItemValue(QStringLiteral("com"), QUrl::FullyDecoded);
    const QString number = query.queryItemValue(QStringLiteral("nu"), QUrl::FullyDecoded);
    const QString phone = query.queryItemValue(QStringLiteral("phone"), QUrl::FullyDecoded);
    const SimFaults &f = m_options.faults;
    const bool hit = f.faultNumber.isEmpty() || f.faultNumber == number;

    if (hit && f.timeout)
        return {0, {}, {}, true};
    if (hit && f.status500)
        return {500, kText, "server error\n", false};
    if (hit && f.noContent)
        return {204, kText, {}, false};
    if (hit) {
        if (std::optional<Response> bad = unruly(url))
            return *bad;
    }

    QString text =
        (hit && f.longAnswer) ? SimRecords::longAnswerFor(code, number) : SimRecords::answerFor(code, number, phone);
    if (hit && f.noMore)
        text.chop(SimRecords::kMore.size());
    QByteArray body = text.toUtf8();
    if (hit && f.badUtf8) {
        // A truncated sequence, a lone continuation byte and a byte that UTF-8
        // never uses, all inside the last state.
        body.insert(0, QByteArray("\xe5\x9c", 2));
        body.insert(body.indexOf(' ') + 1, QByteArray("\x80\xff ", 3));
    }
    Response r{200, kText, body, false};
    if (const int state = SimRecords::stateCodeFor(SimRecords::kindFor(number));
        state >= 0 && SimRecords::isKnownCompany(code) && !text.startsWith(SimRecords::kPhoneNeeded))
        r.extraHeaders = "X-State-Code: " + QByteArray::number(state) + "\r\n";
    return r;
}

std::optional<SimServer::Response> SimServer::unruly(const QUrl &url) const
{
    const SimFaults &f = m_options.faults;
    Response r{200, kText, {}, false};
    if (f.endless) {
        r.stream = Response::Endless;
    } else if (f.huge) {
        r.stream = Response::Huge;
    } else if (f.trickle) {
        r.stream = Response::Trickle;
        r.body = SimRecords::answerFor(QStringLiteral("shunfeng"), QStringLiteral("1")).toUtf8();
    } else if (f.redirectLoop) {
        r.status = 302;
        r.extraHeaders = "Location: " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + "\r\n";
    } else if (f.bomb) {
        static const QByteArray deflated = qCompress(QByteArray(64 << 20, '0'), 9).mid(4); // zlib, no size prefix
        r.extraHeaders = "Content-Encoding: deflate\r\n";
        r.body = deflated;
    } else {
        return std::nullopt;
    }
    return r;
}

SimServer::Response SimServer::trackingPage(int site, const QString &slug) const
{
    const SimFaults &f = m_options.faults;
    SimPages::PageFaults page;
    page.withoutForm = !SimPages::siteKnows(SimPages::Site(site), slug);
    if (f.faultNumber.isEmpty()) {
        if (f.timeout)
            return {0, {}, {}, true};
        if (f.status500)
            return {500, kText, "server error\n", false};
        page.withoutField = f.noField;
    } else {
        // The page cannot know the number before the click, so a fault bound to
        // one number shows as a click that brings no record for it.
        page.clickFails = f.timeout || f.status500 || f.noField;
        page.faultNumber = f.faultNumber;
    }
    return {200, kHtml, SimPages::trackingPage(SimPages::Site(site), slug, page).toUtf8(), false};
}

void SimServer::send(QTcpSocket *socket, const Response &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonFor(response.status) + "\r\n";
    head += "Content-Type: " + (response.contentType.isEmpty() ? kText : response.contentType) + "\r\n";
    if (response.stream == Response::Endless)
        head += "Transfer-Encoding: chunked\r\n";
    else if (response.stream == Response::Huge)
        head += "Content-Length: " + QByteArray::number(qint64(512) << 20) + "\r\n";
    else
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += response.extraHeaders + "Connection: close\r\n\r\n";
    if (response.stream != Response::Whole) {
        socket->write(head);
        stream(socket, response);
        return;
    }
    socket->write(head + response.body);
    socket->disconnectFromHost();
}

void SimServer::stream(QTcpSocket *socket, const Response &response)
{
    if (response.stream == Response::Trickle) {
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body = response.body] {
            socket->write(body.mid((*sent)++, 1));
            if (*sent >= body.size()) {
                timer->stop();
                socket->disconnectFromHost();
            }
        });
        timer->start(250);
        return;
    }
    // Written as the client reads, so that the server's memory stays small.
    const bool chunked = response.stream == Response::Endless;
    auto left = std::make_shared<qint64>(qint64(512) << 20);
    auto feed = [socket, chunked, left] {
        static const QByteArray block(64 * 1024, 'x');
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * block.size()) {
            if (chunked) {
                socket->write(QByteArray::number(block.size(), 16) + "\r\n" + block + "\r\n");
            } else if (*left > 0) {
                const QByteArray piece = block.left(int(qMin<qint64>(*left, block.size())));
                *left -= piece.size();
                socket->write(piece);
            } else {
                socket->disconnectFromHost();
                return;
            }
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, feed);
    feed();
}
