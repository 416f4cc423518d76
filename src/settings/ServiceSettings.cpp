#include "settings/ServiceSettings.h"

#include "settings/IniFile.h"

#include <QDir>

#include <algorithm>
#include <limits>

// services.ini goes through the program's own INI file, GBK like config.ini,
// so one editor setting opens both; a hand edit saved as UTF-8 with a
// byte-order mark is read as such. Everything in it is written from the
// settings themselves, so a section of a service no longer configured goes.
namespace {

const QString kServiceSection = QStringLiteral("service");
const QString kChosen = QStringLiteral("chosen");
const QString kFallback = QStringLiteral("fallback");
const QString kDailyBudget = QStringLiteral("daily_budget");
const QString kAccountSection = QStringLiteral("accounts");
const QString kLastSuccess = QStringLiteral("last_success");
const QString kLastFailure = QStringLiteral("last_failure");
const QString kLastFailureText = QStringLiteral("last_failure_text");
const QString kFailuresInRow = QStringLiteral("failures_in_row");

// More requests a day than any free or paid tier this program is meant for.
constexpr int kMaxDailyBudget = 1000000;

QString healthSection(ServiceId id)
{
    return QStringLiteral("health.") + Services::key(id);
}

int wholeNumber(const IniFile &ini, const QString &section, const QString &key, int low, int high)
{
    bool ok = false;
    const int value = ini.value(section, key, QString()).trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : 0;
}

QDateTime isoDate(const IniFile &ini, const QString &section, const QString &key)
{
    return QDateTime::fromString(ini.value(section, key, QString()).trimmed(), Qt::ISODate);
}

QString isoText(const QDateTime &when)
{
    return when.isValid() ? when.toString(Qt::ISODate) : QString();
}

bool isBlank(const SourceHealth &health)
{
    return !health.lastSuccess.isValid() && !health.lastFailure.isValid() && health.lastFailureText.isEmpty() &&
           health.failuresInRow == 0;
}

// What a service's free tier allows a day, where its protocol does not say.
int knownFreeShare(ServiceId id)
{
    switch (id) {
    case ServiceId::Kdniao:
        return 400; // 500 a day free, a fifth left for the user's own queries
    case ServiceId::Track17:
        return 20; // 100 numbers for a new account, not a day: spread over a working week
    case ServiceId::Kuaidi100:
        return 100;
    case ServiceId::Classic:
        break;
    }
    return 0;
}

} // namespace

ServiceSettings ServiceSettings::load(const QString &folder)
{
    ServiceSettings settings;
    IniFile ini(QDir(folder).filePath(fileName()));
    if (!ini.load())
        return settings;

    settings.chosen =
        Services::fromKey(ini.value(kServiceSection, kChosen, QString()).trimmed()).value_or(ServiceId::Classic);
    const QStringList order = ini.value(kServiceSection, kFallback, QString()).split(QLatin1Char(','));
    for (const QString &name : order) {
        const std::optional<ServiceId> id = Services::fromKey(name.trimmed());
        if (id && !settings.fallbackOrder.contains(*id))
            settings.fallbackOrder << *id;
    }
    settings.dailyBudget = wholeNumber(ini, kServiceSection, kDailyBudget, 0, kMaxDailyBudget);

    for (ServiceId id : Services::all()) {
        if (!Services::accountLabel(id).isEmpty()) {
            const QString account = ini.value(kAccountSection, Services::key(id), QString()).trimmed();
            if (!account.isEmpty())
                settings.accounts.insert(id, account);
        }
        const QString section = healthSection(id);
        SourceHealth health;
        health.lastSuccess = isoDate(ini, section, kLastSuccess);
        health.lastFailure = isoDate(ini, section, kLastFailure);
        health.lastFailureText = ini.value(section, kLastFailureText, QString());
        health.failuresInRow = wholeNumber(ini, section, kFailuresInRow, 0, std::numeric_limits<int>::max());
        if (!isBlank(health))
            settings.health.set(id, health);
    }
    return settings;
}

bool ServiceSettings::save(const QString &folder, QString *error) const
{
    IniFile ini(QDir(folder).filePath(fileName()));
    ini.setValue(kServiceSection, kChosen, Services::key(chosen));
    QStringList order;
    for (ServiceId id : fallbackOrder)
        order << Services::key(id);
    ini.setValue(kServiceSection, kFallback, order.join(QLatin1Char(',')));
    ini.setValue(kServiceSection, kDailyBudget, QString::number(std::clamp(dailyBudget, 0, kMaxDailyBudget)));
    for (ServiceId id : Services::all()) {
        const QString account = accounts.value(id).trimmed();
        if (!account.isEmpty() && !Services::accountLabel(id).isEmpty())
            ini.setValue(kAccountSection, Services::key(id), account);
    }
    for (ServiceId id : Services::all()) {
        const SourceHealth h = health.of(id);
        if (isBlank(h))
            continue;
        const QString section = healthSection(id);
        ini.setValue(section, kLastSuccess, isoText(h.lastSuccess));
        ini.setValue(section, kLastFailure, isoText(h.lastFailure));
        ini.setValue(section, kLastFailureText, h.lastFailureText);
        ini.setValue(section, kFailuresInRow, QString::number(h.failuresInRow));
    }
    const Outcome saved = ini.save();
    if (!saved && error)
        *error = saved.error;
    return saved.ok;
}

int ServiceSettings::budgetFor(ServiceId id) const
{
    if (dailyBudget > 0)
        return dailyBudget;
    if (id == ServiceId::Classic)
        return 0; // no account, no quota to keep: no budget
    // A share of the free tier: the user's own queries and the 测试 button
    // draw on the same quota as the background refresh.
    if (const std::unique_ptr<TrackingProtocol> protocol = MakeProtocol(id)) {
        const int quota = protocol->limits().freeDailyQuota;
        if (quota > 0)
            return quota * 4 / 5;
    }
    return knownFreeShare(id);
}
