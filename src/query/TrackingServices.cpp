#include "query/TrackingServices.h"

#include "core/Clock.h"
#include "core/SaveWhole.h"
#include "services/KeyStore.h"
#include "settings/IniFile.h"

#include <QDir>

TrackingServices::TrackingServices(QString folder, KeyStore &keys, const Clock &clock, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_keys(keys), m_clock(clock)
{
    m_settings = ServiceSettings::load(m_folder);
    loadUsage();
}

void TrackingServices::reload()
{
    const ServiceHealth health = m_settings.health;
    m_settings = ServiceSettings::load(m_folder);
    // What this run learned of the sources is newer than the file.
    for (ServiceId id : Services::all())
        if (health.of(id).lastSuccess.isValid() || health.of(id).lastFailure.isValid())
            m_settings.health.set(id, health.of(id));
    const quint64 generation = ++m_generation;
    m_pendingKeys = 0;
    QList<ServiceId> wanted{m_settings.chosen};
    wanted += m_settings.fallbackOrder;
    for (ServiceId id : std::as_const(wanted)) {
        if (!Services::needsKey(id))
            continue;
        ++m_pendingKeys;
        m_keys.read(id, [this, id, generation](const QString &key) {
            if (generation != m_generation)
                return;
            m_keyOf.insert(id, key);
            if (--m_pendingKeys == 0)
                Q_EMIT ready();
        });
    }
    if (m_pendingKeys == 0)
        Q_EMIT ready();
}

QVector<ServiceAccount> TrackingServices::chain() const
{
    QVector<ServiceAccount> chain;
    QList<ServiceId> order{m_settings.chosen};
    for (ServiceId id : m_settings.fallbackOrder)
        if (!order.contains(id))
            order << id;
    for (ServiceId id : std::as_const(order)) {
        const Credentials credentials{m_settings.accounts.value(id), m_keyOf.value(id)};
        if (credentials.isComplete(id))
            chain.push_back({id, credentials});
    }
    return chain;
}

QString TrackingServices::missingAccountText() const
{
    const ServiceId id = m_settings.chosen;
    const Credentials credentials{m_settings.accounts.value(id), m_keyOf.value(id)};
    if (credentials.isComplete(id))
        return QString();
    if (!Services::accountLabel(id).isEmpty() && credentials.account.trimmed().isEmpty())
        return QStringLiteral("未填写%1的 %2，请在“设置”的“查询服务”中填写。")
            .arg(Services::displayName(id), Services::accountLabel(id));
    return QStringLiteral("未设置%1的 %2。").arg(Services::displayName(id), Services::keyLabel(id));
}

void TrackingServices::useKeyForRun(ServiceId id, const QString &key)
{
    m_keys.setRunKey(id, key);
    m_keyOf.insert(id, key);
}

void TrackingServices::saveHealth()
{
    ServiceSettings stored = ServiceSettings::load(m_folder);
    stored.health = m_settings.health;
    stored.save(m_folder);
}

QString TrackingServices::healthLine() const
{
    return m_settings.health.summary(m_settings.chosen);
}

QString TrackingServices::usagePath() const
{
    return QDir(m_folder).filePath(QStringLiteral("services-usage.ini"));
}

void TrackingServices::loadUsage()
{
    IniFile file(usagePath());
    if (!file.load())
        return;
    m_usageDay = QDate::fromString(file.value(QStringLiteral("usage"), QStringLiteral("day"), QString()), Qt::ISODate);
    for (ServiceId id : Services::all())
        m_used.insert(id,
                      std::max(0, file.value(QStringLiteral("usage"), Services::key(id), QStringLiteral("0")).toInt()));
}

void TrackingServices::keepUsage() const
{
    IniFile file(usagePath());
    file.setValue(QStringLiteral("usage"), QStringLiteral("day"), m_usageDay.toString(Qt::ISODate));
    for (auto it = m_used.cbegin(); it != m_used.cend(); ++it)
        file.setValue(QStringLiteral("usage"), Services::key(it.key()), QString::number(it.value()));
    file.save();
}

int TrackingServices::budgetToday() const
{
    return m_settings.budgetFor(m_settings.chosen);
}

int TrackingServices::budgetLeft() const
{
    const int budget = budgetToday();
    if (budget <= 0)
        return -1; // no budget to keep
    const int used = m_usageDay == m_clock.today() ? m_used.value(m_settings.chosen) : 0;
    return std::max(0, budget - used);
}

void TrackingServices::spend(ServiceId id, int numbers)
{
    if (m_usageDay != m_clock.today()) {
        m_usageDay = m_clock.today();
        m_used.clear();
    }
    m_used[id] += numbers;
}

std::optional<TrackingServices::Recent> TrackingServices::recent(const QString &number) const
{
    const auto it = m_recent.constFind(number);
    if (it == m_recent.cend())
        return std::nullopt;
    const qint64 age = it->at.secsTo(m_clock.now());
    if (age < 0 || age >= kRepeatSeconds)
        return std::nullopt;
    return *it;
}

void TrackingServices::remember(const ConciseRow &row)
{
    // The classic interface locks nothing; a failure that never reached the
    // service asked nothing of it.
    if (row.service == ServiceId::Classic || row.failure == TrackFailure::CarrierUnsupported ||
        row.failure == TrackFailure::PhoneNeeded || row.failure == TrackFailure::Network)
        return;
    m_recent.insert(row.number, {m_clock.now(), row});
}
