#pragma once

#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// What a check found: the offered version is higher than ours, is not (equal
// or lower: nothing to offer), or the descriptor could not be fetched.
struct UpdateResult final {
    enum Kind { NotNewer, Newer, Failed };
    Kind kind = Failed;
    QString offered; // "new" of section "Ver"
    QString error;   // why it failed, in Chinese
};
Q_DECLARE_METATYPE(UpdateResult)

// Fetches update.ini from the update server without blocking the window,
// keeps it in the program folder and offers it only when it is higher than
// "版本号". Only a descriptor fetched by this very check is compared: a
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
    // Dotted versions part by part, as numbers (3.10 > 3.9, 3.0.1 > 3.0); a
    // missing part counts as 0 and a part that is not a number as text.
    static bool isNewer(const QString &offered, const QString &own);

Q_SIGNALS:
    void finished(const UpdateResult &result);

private:
    void onReplyFinished(QNetworkReply *reply, const QString &programFolder);

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    int m_timeoutMs = kDefaultTimeoutMs;
};
