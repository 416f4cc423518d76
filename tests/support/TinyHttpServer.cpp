#include "support/TinyHttpServer.h"

#include <QTcpSocket>

TinyHttpServer::TinyHttpServer(QObject *parent) : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool TinyHttpServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QString TinyHttpServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

void TinyHttpServer::serve(QTcpSocket *socket)
{
    const QByteArray request = socket->peek(socket->bytesAvailable());
    if (!request.contains("\r\n\r\n"))
        return; // wait for the whole header
    socket->readAll();
    const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = first.size() > 1 ? QString::fromUtf8(first.at(1)) : QString();
    requests << path;
    Answer answer;
    if (answers.contains(path))
        answer = answers.value(path);
    else
        answer = {404, "text/plain", "not found"};
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Type: " + answer.contentType +
                      "\r\nContent-Length: " + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(head + answer.body);
    socket->disconnectFromHost();
}
