#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny HTTP server on 127.0.0.1 that answers every request with one
// status and body, or keeps silent to let the client's time-out run out.
class LocalHttpResponder final {
public:
    LocalHttpResponder()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(&m_server);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onData(socket); });
            }
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    bool listening() const { return m_server.isListening(); }

    void answer(int status, const QByteArray &body)
    {
        m_status = status;
        m_body = body;
        m_silent = false;
    }
    void keepSilent() { m_silent = true; }

    int requests = 0;
    QByteArray lastPath;

    // An address where nothing listens: a port that was just free.
    static QString deadBase()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return QStringLiteral("http://127.0.0.1:%1").arg(port);
    }

private:
    void onData(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        ++requests;
        lastPath = pending.split(' ').value(1);
        pending.clear();
        if (m_silent)
            return;
        const QByteArray reason = m_status == 200 ? "OK" : m_status == 404 ? "Not Found" : "Error";
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason + "\r\n"
                      "Content-Type: text/plain\r\nConnection: close\r\nContent-Length: "
                      + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_status = 200;
    QByteArray m_body;
    bool m_silent = false;
};
