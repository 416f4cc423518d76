#include "settings/AppSettings.h"

#include "settings/IniFile.h"

#include <QDir>
#include <QRegularExpression>

namespace AppSettings {

QString defaultFor(const QString &key)
{
    static const struct {
        const QString &key;
        const char *fallback;
    } defaults[] = {
        {kVersion, ""},         {kAutoUpdate, "0"},  {kSkin, "0"},         {kDataSource, "0"},
        {kDefaultCarrier, "0"}, {kAutoSave, "0"},    {kAutoStart, "0"},    {kReadDelay, "4"},
        {kArchiveDays, "30"},   {kAutoRefresh, "0"}, {kRefreshHours, "2"}, {kSigningNotice, "1"},
        {kCollectHours, "48"},  {kSilentDays, "3"},  {kTransitDays, "7"},  {kPickupDays, "2"},
    };
    for (const auto &entry : defaults) {
        if (entry.key == key)
            return QString::fromLatin1(entry.fallback);
    }
    return QString();
}

QString filePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(kFileName);
}

QString read(const QString &programFolder, const QString &key)
{
    return GetFromINI(kSection, key, defaultFor(key), filePath(programFolder));
}

QHash<QString, QString> read(const QString &programFolder, const QStringList &keys)
{
    IniFile ini(filePath(programFolder));
    const IniFile *loaded = ini.load() ? &ini : nullptr;
    QHash<QString, QString> values;
    for (const QString &key : keys)
        values.insert(key, GetFromINI(kSection, key, defaultFor(key), loaded));
    return values;
}

Outcome write(const QString &programFolder, const QString &key, const QString &value)
{
    return WriteToINI(kSection, key, value, filePath(programFolder));
}

void Changes::set(const QString &key, const QString &value)
{
    for (auto &entry : m_values) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    m_values.push_back({key, value});
}

Outcome Changes::save(const QString &programFolder) const
{
    if (m_values.isEmpty())
        return Outcome::success();
    IniFile ini(filePath(programFolder));
    if (Outcome loaded = ini.load(); !loaded)
        return loaded;
    for (const auto &[key, value] : m_values)
        ini.setValue(kSection, key, value);
    return ini.save();
}

double readNumber(const QString &text)
{
    // Like the classic Val(): the leading number, ignoring what follows it.
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?\\d+(?:\\.\\d*)?)"));
    const QRegularExpressionMatch m = leading.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

} // namespace AppSettings
