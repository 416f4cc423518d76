#pragma once

#include "services/TrackingService.h"

#include <QHash>
#include <QObject>

#include <functional>

// Where the account keys live: the system keyring (Secret Service or KWallet
// on Linux, the credential store on Windows) through QtKeychain, never a file
// of ours. Where no keyring answers, a key is kept in memory for the run.
class KeyStore final : public QObject {
    Q_OBJECT
public:
    explicit KeyStore(QObject *parent = nullptr);
    ~KeyStore() override;

    // The key of a service, from the event loop (never within the call):
    // the run's own copy if there is one, else the keyring's; empty when none.
    void read(ServiceId id, std::function<void(const QString &key)> done);
    // Keeps a key (an empty key removes it). done(inKeyring, message): whether
    // the keyring took it, and a Chinese line for the user when it did not
    // ("系统密钥环不可用，密钥只保留到本次退出").
    void write(ServiceId id, const QString &key, std::function<void(bool inKeyring, const QString &message)> done);
    // The keys kept for this run, whatever the keyring did.
    QString runKey(ServiceId id) const { return m_runKeys.value(id); }
    void setRunKey(ServiceId id, const QString &key);

    // The name under which the keys are filed in the keyring.
    static QString keyringService() { return QStringLiteral("Tolvane"); }

private:
    QHash<ServiceId, QString> m_runKeys;
};
