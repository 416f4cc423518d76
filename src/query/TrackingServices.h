#pragma once

#include "query/ConciseQueryRunner.h"
#include "settings/ServiceSettings.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <optional>

class Clock;
class KeyStore;

// The tracking services as the queries see them: which one is chosen, the
// chain a pass moves along with the keys read from the keyring, the sources'
// health, the background refresh's daily budget, and the last answer of each
// waybill (the account services lock a number asked again within 30 minutes).
class TrackingServices final : public QObject {
    Q_OBJECT
public:
    // A number asked again sooner is locked by the account services.
    static constexpr qint64 kRepeatSeconds = qint64(30) * 60;

    TrackingServices(QString folder, KeyStore &keys, const Clock &clock, QObject *parent = nullptr);

    // Reads services.ini and the keys again; ready() once the keys are in.
    void reload();
    bool isReady() const { return m_pendingKeys == 0; }

    const ServiceSettings &settings() const { return m_settings; }
    ServiceId chosen() const { return m_settings.chosen; }
    bool usesAccount() const { return m_settings.chosen != ServiceId::Classic; }
    // The chosen service and, in the user's order, those to move to: only
    // services whose account is complete.
    QVector<ServiceAccount> chain() const;
    // Why the chosen service cannot be asked (no key yet); empty when it can.
    QString missingAccountText() const;
    // A key typed for this run where the keyring has none.
    void useKeyForRun(ServiceId id, const QString &key);

    ServiceHealth &health() { return m_settings.health; }
    // The health as kept in services.ini, after a pass.
    void saveHealth();
    QString healthLine() const;

    // The background refresh's requests left today for the chosen service.
    int budgetLeft() const;
    int budgetToday() const;
    void spend(ServiceId id, int numbers);
    // Writes what was spent, once a pass is over.
    void keepUsage() const;

    struct Recent {
        QDateTime at;
        ConciseRow row;
    };
    // The last answer of an account service for a number within the last 30 minutes.
    std::optional<Recent> recent(const QString &number) const;
    void remember(const ConciseRow &row);

Q_SIGNALS:
    void ready();

private:
    QString usagePath() const;
    void loadUsage();

    QString m_folder;
    KeyStore &m_keys;
    const Clock &m_clock;
    ServiceSettings m_settings;
    QHash<ServiceId, QString> m_keyOf;
    int m_pendingKeys = 0;
    quint64 m_generation = 0;
    QDate m_usageDay;
    QHash<ServiceId, int> m_used; // requests of m_usageDay
    QHash<QString, Recent> m_recent;
};
