#pragma once

#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// What a check found: the offered version equals ours, differs from it, or
// the descriptor could not be fetched (then nothing is offered).
struct UpdateResult final {
    enum Kind { Same, Differ, Failed };
    Kind kind = Failed;
    QString offered; // "new" of section "Ver"
    QString error;   // why it failed, in Chinese
};
Q_DECLARE_METATYPE(UpdateResult)

// Fetches update.ini from the update server without blocking the window,
// keeps it in the program folder and compares its offer with "版本号" as
// exact text. Only a descriptor fetched by this very check is compared: a
// failed download never falls back on a copy left by an earlier check.
class UpdateCheck final : public QObject {
    Q_OBJECT
public:
    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    static constexpr int kDefaultTimeoutMs = 60000;
    void setTransferTimeout(int ms) { m_timeoutMs = ms; }
    int transferTimeout() const { return m_timeoutMs; }

    // Starts a check; one that is still running is dropped without a result.
    void start(const QString &programFolder);
    bool isRunning() const { return !m_reply.isNull(); }

    static QString descriptorFileName();
    static QString descriptorAddress();

Q_SIGNALS:
    void finished(const UpdateResult &result);

private:
    void onReplyFinished(QNetworkReply *reply, const QString &programFolder);

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    int m_timeoutMs = kDefaultTimeoutMs;
};
