#include "settings/RegisterLocation.h"

#include "store/RegisterSchema.h"

#include <QDir>
#include <QHash>
#include <QMutex>

namespace {

// Keyed by everything but the password: a password belongs to one server, database and user.
QString sessionKey(const ServerLocation &server)
{
    return QStringList{server.host, QString::number(server.port), server.database, server.user, server.service}.join(
        QChar(0));
}

QMutex passwordsLock; // workers read the location too
QHash<QString, QString> &sessionPasswords()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

} // namespace

void RegisterLocation::rememberPassword(const ServerLocation &server)
{
    const QMutexLocker lock(&passwordsLock);
    if (server.password.isEmpty())
        sessionPasswords().remove(sessionKey(server));
    else
        sessionPasswords().insert(sessionKey(server), server.password);
}

void RegisterLocation::apply(AppSettings::Changes &changes, const StoreLocation &where)
{
    changes.set(kWhere, where.onServer ? kServer : kLocal);
    if (!where.onServer)
        return;
    changes.set(kHost, where.server.host);
    changes.set(kPort, QString::number(where.server.port));
    changes.set(kDatabase, where.server.database);
    changes.set(kUser, where.server.user);
    changes.set(kSslMode, where.server.sslmode);
    changes.set(kService, where.server.service);
}

namespace {

// The server's keys from one reading of config.ini.
ServerLocation serverFrom(const QHash<QString, QString> &settings)
{
    using namespace RegisterLocation;
    ServerLocation server;
    server.host = settings.value(kHost).trimmed();
    server.database = settings.value(kDatabase).trimmed();
    server.user = settings.value(kUser).trimmed();
    server.sslmode = settings.value(kSslMode).trimmed();
    server.service = settings.value(kService).trimmed();
    bool ok = false;
    const int port = settings.value(kPort).trimmed().toInt(&ok);
    if (ok && port > 0 && port < 65536)
        server.port = port;
    const QMutexLocker lock(&passwordsLock);
    server.password = sessionPasswords().value(sessionKey(server));
    return server;
}

QStringList locationKeys()
{
    using namespace RegisterLocation;
    return {kWhere, kHost, kPort, kDatabase, kUser, kSslMode, kService};
}

} // namespace

ServerLocation RegisterLocation::readServer(const QString &dataFolder)
{
    return serverFrom(AppSettings::read(dataFolder, locationKeys()));
}

StoreLocation RegisterLocation::read(const QString &dataFolder)
{
    StoreLocation local(QDir(dataFolder).filePath(RegisterSchema::fileName()));
    const QHash<QString, QString> settings = AppSettings::read(dataFolder, locationKeys());
    if (settings.value(kWhere).trimmed() != kServer)
        return local;
    // libpq falls back to its own defaults for an empty host or user, but a
    // register without a database name would land in the user's own database
    // (a service names its own).
    const ServerLocation server = serverFrom(settings);
    if (server.database.isEmpty() && server.service.isEmpty())
        return local;
    return StoreLocation(server);
}
