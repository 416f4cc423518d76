#pragma once

#include "core/Outcome.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// The settings of config.ini: one section, sixteen keys, each with the default
// that every reader supplies.
namespace AppSettings {

inline const QString kSection = QStringLiteral("设置");
inline const QString kFileName = QStringLiteral("config.ini");

inline const QString kVersion = QStringLiteral("版本号");
inline const QString kAutoUpdate = QStringLiteral("自动更新");
inline const QString kSkin = QStringLiteral("皮肤");
inline const QString kDataSource = QStringLiteral("数据来源");
inline const QString kDefaultCarrier = QStringLiteral("默认快递");
inline const QString kAutoSave = QStringLiteral("自动保存");
inline const QString kAutoStart = QStringLiteral("自动启动");
inline const QString kReadDelay = QStringLiteral("读取间隔");
// Keys added after the first eight; older builds leave them untouched.
inline const QString kArchiveDays = QStringLiteral("归档天数");
inline const QString kAutoRefresh = QStringLiteral("自动刷新");
inline const QString kRefreshHours = QStringLiteral("刷新间隔");
inline const QString kSigningNotice = QStringLiteral("签收提醒");
// The time flags' thresholds: hours for 揽收超时, days for the others.
inline const QString kCollectHours = QStringLiteral("揽收超时小时");
inline const QString kSilentDays = QStringLiteral("未更新天数");
inline const QString kTransitDays = QStringLiteral("未签收天数");
inline const QString kPickupDays = QStringLiteral("待取天数");

inline const QString kProgramVersion = QStringLiteral("3.0");

// The reader's default for a key; an unknown key has none.
QString defaultFor(const QString &key);

QString filePath(const QString &programFolder);
QString read(const QString &programFolder, const QString &key);
// Several keys from one reading of the file, each as read() gives it.
QHash<QString, QString> read(const QString &programFolder, const QStringList &keys);
Outcome write(const QString &programFolder, const QString &key, const QString &value);

// Several keys saved in one write of the file: a dialog's save replaces
// config.ini once, whole or not at all, not once per key.
class Changes final {
public:
    void set(const QString &key, const QString &value);
    bool isEmpty() const { return m_values.isEmpty(); }
    Outcome save(const QString &programFolder) const;

private:
    QVector<QPair<QString, QString>> m_values;
};

// Numeric reading of a flag such as "自动保存": text that is no number counts as 0.
// The fraction is kept: "1.9" is not 1, and "0.5" is not 0.
double readNumber(const QString &text);

} // namespace AppSettings
