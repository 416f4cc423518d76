#include "settings/WatchSettings.h"

#include "settings/AppSettings.h"
#include "store/Archive.h"

namespace {
int wholeNumber(const QString &programFolder, const QString &key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = AppSettings::read(programFolder, key).trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}
} // namespace

int WatchSettings::archiveDays(const QString &programFolder)
{
    return wholeNumber(programFolder, AppSettings::kArchiveDays, Archive::kDefaultDays, 1, Archive::kMaxDays);
}

bool WatchSettings::autoRefresh(const QString &programFolder)
{
    return wholeNumber(programFolder, AppSettings::kAutoRefresh, 0, 0, 1) == 1;
}

int WatchSettings::refreshHours(const QString &programFolder)
{
    return wholeNumber(programFolder, AppSettings::kRefreshHours, kDefaultRefreshHours, 1, kMaxRefreshHours);
}

bool WatchSettings::signingNotice(const QString &programFolder)
{
    return wholeNumber(programFolder, AppSettings::kSigningNotice, 1, 0, 1) == 1;
}

int WatchSettings::limitMaximum(const QString &key)
{
    return key == AppSettings::kCollectHours ? 24 * 30 : 365;
}

int WatchSettings::limit(const QString &programFolder, const QString &key)
{
    return wholeNumber(programFolder, key, AppSettings::defaultFor(key).toInt(), 1, limitMaximum(key));
}
