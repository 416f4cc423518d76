#include "services/KeyStore.h"

#include <qt6keychain/keychain.h>

#include <QTimer>

namespace {

// QtKeychain's own fallback is a plain settings file: a key there is a key in
// a file, which is exactly what the keyring is for avoiding.
template <typename Job> Job *newJob(KeyStore *store, ServiceId id)
{
    auto *job = new Job(KeyStore::keyringService(), store);
    job->setKey(Services::key(id));
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    return job;
}

// The keyring's own reason is English and technical: it goes to the log, the
// user reads what it means for the key.
QString unavailable(const QKeychain::Job *job, const QString &consequence)
{
    qWarning("keyring: %s", qUtf8Printable(job->errorString()));
    return QStringLiteral("系统密钥环不可用，%1。").arg(consequence);
}

} // namespace

KeyStore::KeyStore(QObject *parent) : QObject(parent) {}

KeyStore::~KeyStore()
{
    // A job still waiting on the keyring outlives the store and deletes itself
    // when the keyring answers; destroying it mid-call would leave the
    // keyring's reply a dangling job. Its callbacks die with this object.
    const QList<QKeychain::Job *> pending = findChildren<QKeychain::Job *>(Qt::FindDirectChildrenOnly);
    for (QKeychain::Job *job : pending)
        job->setParent(nullptr);
}

void KeyStore::setRunKey(ServiceId id, const QString &key)
{
    m_runKeys.insert(id, key);
}

void KeyStore::read(ServiceId id, std::function<void(const QString &key)> done)
{
    // An entry that is empty is a key removed in this run: the keyring's old
    // copy, if it could not be deleted, must not come back.
    if (m_runKeys.contains(id)) {
        QTimer::singleShot(0, this, [done = std::move(done), key = m_runKeys.value(id)] { done(key); });
        return;
    }
    auto *job = newJob<QKeychain::ReadPasswordJob>(this, id);
    connect(job, &QKeychain::Job::finished, this, [done = std::move(done)](QKeychain::Job *finished) {
        const auto *read = static_cast<QKeychain::ReadPasswordJob *>(finished);
        done(read->error() == QKeychain::NoError ? read->textData() : QString());
    });
    job->start();
}

void KeyStore::write(ServiceId id, const QString &key, std::function<void(bool inKeyring, const QString &message)> done)
{
    // This run uses the new key at once, whatever the keyring makes of it.
    m_runKeys.insert(id, key);
    const bool removing = key.isEmpty();
    QKeychain::Job *job = nullptr;
    if (removing) {
        job = newJob<QKeychain::DeletePasswordJob>(this, id);
    } else {
        auto *writeJob = newJob<QKeychain::WritePasswordJob>(this, id);
        writeJob->setTextData(key);
        job = writeJob;
    }
    connect(job, &QKeychain::Job::finished, this, [removing, done = std::move(done)](QKeychain::Job *finished) {
        const QKeychain::Error error = finished->error();
        // Nothing to delete is what a delete is for.
        const bool taken = error == QKeychain::NoError || (removing && error == QKeychain::EntryNotFound);
        if (taken) {
            done(true, QString());
            return;
        }
        done(false, unavailable(finished, removing ? QStringLiteral("其中原先保存的密钥未能删除，本次运行不再使用它")
                                                   : QStringLiteral("密钥只保留到本次退出")));
    });
    job->start();
}
