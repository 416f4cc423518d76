#include "support/TrackingSim.h"

#include "core/Endpoints.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QRegularExpression>

TrackingSim::TrackingSim(const QString &program, const char *arguments)
{
    m_process.setProgram(program);
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} +
                           QString::fromUtf8(arguments).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    m_process.start();
    if (!m_process.waitForStarted(60000))
        return;
    static const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\\r?\\n"));
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (!m_process.canReadLine())
            m_process.waitForReadyRead(int(deadline.remainingTime()));
        if (!m_process.canReadLine())
            continue;
        m_output += m_process.readLine();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(m_output));
        if (match.hasMatch())
            m_port = quint16(match.captured(1).toUInt());
        break;
    }
    if (m_port == 0)
        m_output += m_process.readAllStandardError();
}

TrackingSim::~TrackingSim()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString TrackingSim::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void TrackingSim::pointHostsAt(const QString &base)
{
    Endpoints hosts;
    hosts.trackingService = hosts.defaultSource = hosts.defaultSourceAlternate = hosts.backupSource1 =
        hosts.backupSource2 = hosts.makerSite = hosts.updateServer = base;
    Endpoints::setCurrent(hosts);
}

TrackingSim::Reply TrackingSim::get(const QString &path, int waitMs) const
{
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(baseUrl() + path)};
    request.setTransferTimeout(waitMs);
    return wait(network.get(request));
}

TrackingSim::Reply TrackingSim::post(const QString &path, const QByteArray &body, const QByteArray &contentType,
                                     const QList<QPair<QByteArray, QByteArray>> &headers, int waitMs) const
{
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(baseUrl() + path)};
    request.setTransferTimeout(waitMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    return wait(network.post(request, body));
}

TrackingSim::Reply TrackingSim::wait(QNetworkReply *unowned) const
{
    QScopedPointer<QNetworkReply> reply(unowned);
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->error(),
            reply->isOpen() ? reply->readAll() : QByteArray()};
}
