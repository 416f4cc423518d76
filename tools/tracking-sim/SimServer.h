#pragma once

#include "SimAccounts.h"
#include "SimHttp.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QUrl;

// Faults that the server can inject, for the tests and the demo.
struct SimFaults final {
    bool status500 = false;  // concise answers and tracking pages answer HTTP 500
    bool noContent = false;  // concise answers are HTTP 204, without a body
    bool timeout = false;    // ... or are accepted and never answered
    bool badUtf8 = false;    // concise answers carry invalid UTF-8 bytes
    bool noMore = false;     // concise answers without "更多"
    bool longAnswer = false; // concise answers longer than 40,000 characters
    bool noField = false;    // tracking pages without the number field
    bool updateFail = false; // update.ini answers HTTP 500
    // Answers that never end or never fit: concise answers and update.ini.
    bool endless = false;      // a chunked answer that goes on for ever
    bool huge = false;         // an answer of 512 MB
    bool trickle = false;      // one byte every quarter of a second
    bool redirectLoop = false; // a redirect back to the same address
    bool bomb = false;         // a small deflated answer that inflates to 64 MB
    // Account services: status500 and timeout above, and a gateway's error
    // page that comes with status 200.
    bool html200 = false;
    QString faultNumber; // when set, concise, page and account faults hit only this number

    // Sets the flag named on the command line; false for an unknown name.
    bool enable(const QString &kind);
};

struct SimOptions final {
    int latencyMs = 0;
    QString updateVersion = QStringLiteral("3.0");
    SimFaults faults;
    SimAccounts accounts;
};

// A minimal HTTP/1.1 server on 127.0.0.1: one request per connection.
class SimServer final : public QObject {
    Q_OBJECT
public:
    explicit SimServer(const SimOptions &options, QObject *parent = nullptr);
    ~SimServer() override;

    bool listen(quint16 port);
    quint16 port() const;
    QString errorString() const;

private:
    using Response = SimResponse;

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    Response route(const QByteArray &method, const QUrl &url) const;
    // The account services' answer, or none when the path is not theirs.
    std::optional<Response> accountAnswer(const SimRequest &request);
    Response concise(const QUrl &url) const;
    Response trackingPage(int site, const QString &slug) const;
    // The misbehaviours that concern the size and pace of an answer, or none.
    std::optional<Response> unruly(const QUrl &url) const;
    static void stream(QTcpSocket *socket, const Response &response);
    static void send(QTcpSocket *socket, const Response &response);

    SimOptions m_options;
    QTcpServer *m_server = nullptr;
    std::vector<std::unique_ptr<SimService>> m_services;
    QElapsedTimer m_clock; // the account services' limits count on it
};
