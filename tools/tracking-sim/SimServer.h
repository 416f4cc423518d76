#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QUrl;

// Faults that the server can inject, for the tests and the demo.
struct SimFaults final {
    bool status500 = false;  // concise answers and tracking pages answer HTTP 500
    bool timeout = false;    // ... or are accepted and never answered
    bool badUtf8 = false;    // concise answers carry invalid UTF-8 bytes
    bool noMore = false;     // concise answers without "更多"
    bool longAnswer = false; // concise answers longer than 40,000 characters
    bool noField = false;    // tracking pages without the number field
    bool updateFail = false; // update.ini answers HTTP 500
    QString faultNumber;     // when set, concise and page faults hit only this number

    // Sets the flag named on the command line; false for an unknown name.
    bool enable(const QString &kind);
};

struct SimOptions final {
    int latencyMs = 0;
    QString updateVersion = QStringLiteral("3.0");
    SimFaults faults;
};

// A minimal HTTP/1.1 server on 127.0.0.1: one request per connection.
class SimServer final : public QObject {
    Q_OBJECT
public:
    explicit SimServer(const SimOptions &options, QObject *parent = nullptr);

    bool listen(quint16 port);
    quint16 port() const;
    QString errorString() const;

private:
    struct Response {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        bool never = false; // the time-out fault: keep the connection, say nothing
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    Response route(const QByteArray &method, const QUrl &url) const;
    Response concise(const QUrl &url) const;
    Response trackingPage(int site, const QString &slug) const;
    static void send(QTcpSocket *socket, const Response &response);

    SimOptions m_options;
    QTcpServer *m_server = nullptr;
};
