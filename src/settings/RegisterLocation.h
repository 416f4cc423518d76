#pragma once

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

StoreLocation read(const QString &dataFolder);

} // namespace RegisterLocation
