#pragma once

#include <QString>

// How the values of the newer keys are read: a value that is no whole number
// in range counts as the default, so a hand-edited file never stops the program.
namespace WatchSettings {
int archiveDays(const QString &programFolder);
bool autoRefresh(const QString &programFolder);
// At least one hour: tracking services lock numbers asked for too often.
int refreshHours(const QString &programFolder);
bool signingNotice(const QString &programFolder);
// A time flag's threshold (AppSettings::kCollectHours, kSilentDays,
// kTransitDays, kPickupDays), at least 1 and at most limitMaximum(key).
int limit(const QString &programFolder, const QString &key);
int limitMaximum(const QString &key);

constexpr int kDefaultRefreshHours = 2;
constexpr int kMaxRefreshHours = 168;
} // namespace WatchSettings
