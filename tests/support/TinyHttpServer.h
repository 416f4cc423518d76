#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTcpServer>

// A minimal HTTP server on 127.0.0.1 for tests: answers GET requests from a
// table of paths (with their query strings) to bodies; anything else is 404.
class TinyHttpServer final : public QTcpServer {
    Q_OBJECT
public:
    explicit TinyHttpServer(QObject *parent = nullptr);
    bool start();
    QString base() const;

    struct Answer {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
    };
    QHash<QString, Answer> answers;
    QStringList requests;

private:
    void serve(QTcpSocket *socket);
};
