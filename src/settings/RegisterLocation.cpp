#include "settings/RegisterLocation.h"

#include "settings/AppSettings.h"
#include "store/WaybillStore.h"

#include <QDir>

StoreLocation RegisterLocation::read(const QString &dataFolder)
{
    const StoreLocation local(QDir(dataFolder).filePath(WaybillStore::fileName()));
    if (AppSettings::read(dataFolder, kWhere).trimmed() != kServer)
        return local;
    ServerLocation server;
    server.host = AppSettings::read(dataFolder, kHost).trimmed();
    server.database = AppSettings::read(dataFolder, kDatabase).trimmed();
    server.user = AppSettings::read(dataFolder, kUser).trimmed();
    server.sslmode = AppSettings::read(dataFolder, kSslMode).trimmed();
    bool ok = false;
    const int port = AppSettings::read(dataFolder, kPort).trimmed().toInt(&ok);
    if (ok && port > 0 && port < 65536)
        server.port = port;
    // libpq falls back to its own defaults for an empty host or user, but a
    // register without a database name would land in the user's own database.
    if (server.database.isEmpty())
        return local;
    return StoreLocation(server);
}
