#pragma once

#include "services/ServiceHealth.h"
#include "services/TrackingService.h"

#include <QHash>
#include <QList>
#include <QString>

// Which tracking service the queries use, the account names, the order in
// which a failing pass moves on, the background refresh's daily budget, and
// each source's health. Kept in services.ini beside config.ini (which keeps
// only its own keys). Keys are never here: they live in the keyring.
struct ServiceSettings final {
    ServiceId chosen = ServiceId::Classic;
    // The services a pass moves to, in order, when the chosen one keeps failing.
    QList<ServiceId> fallbackOrder;
    QHash<ServiceId, QString> accounts; // customer, EBusinessID; none for 17TRACK and Classic
    // Requests the background refresh may make a day; 0: the default share of
    // the chosen service's free quota.
    int dailyBudget = 0;
    ServiceHealth health;

    static ServiceSettings load(const QString &folder);
    // False, with a Chinese message in *error, when the file cannot be written.
    bool save(const QString &folder, QString *error = nullptr) const;
    // The background refresh's budget in force for a service.
    int budgetFor(ServiceId id) const;

    static QString fileName() { return QStringLiteral("services.ini"); }
};
