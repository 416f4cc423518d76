#pragma once

#include "settings/AppSettings.h"
#include "store/StoreDialect.h"

#include <QString>

// Where this PC's register lives, as config.ini says: kd.db in the data folder
// (the default, and whatever the keys do not make a whole server location), or a
// PostgreSQL server shared by the shop's PCs. No password is ever stored.
namespace RegisterLocation {

inline const QString kWhere = QStringLiteral("登记簿位置");
inline const QString kLocal = QStringLiteral("本机");
inline const QString kServer = QStringLiteral("服务器");
inline const QString kHost = QStringLiteral("服务器地址");
inline const QString kPort = QStringLiteral("服务器端口");
inline const QString kDatabase = QStringLiteral("数据库名");
inline const QString kUser = QStringLiteral("数据库用户");
inline const QString kSslMode = QStringLiteral("加密方式");
// A service of pg_service.conf, which may name the server, database and user itself.
inline const QString kService = QStringLiteral("服务名");

StoreLocation read(const QString &dataFolder);
// The server's keys, whichever place is chosen, with this session's password.
ServerLocation readServer(const QString &dataFolder);
// Puts `where` into the dialog's one write of config.ini. A kd.db location
// keeps the server's keys, so that switching back finds them filled in; the
// password is never among them.
void apply(AppSettings::Changes &changes, const StoreLocation &where);

// A password typed for the server, kept in memory for this run only; read()
// gives it with the server it was typed for.
void rememberPassword(const ServerLocation &server);

} // namespace RegisterLocation
