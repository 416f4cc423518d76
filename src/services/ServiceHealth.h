#pragma once

#include "services/TrackingService.h"

#include <QDateTime>
#include <QHash>

// How a source has fared: kept per service, shown in the status bar and the
// settings, and read by a pass to decide when to move to the next service.
struct SourceHealth final {
    QDateTime lastSuccess;
    QDateTime lastFailure;
    QString lastFailureText;
    int failuresInRow = 0; // the source's own failures (key, quota, network) since its last success
};

class ServiceHealth final {
public:
    // This many of the source's own failures in a row and a pass moves on.
    static constexpr int kFailuresBeforeSwitch = 3;

    void recordSuccess(ServiceId id, const QDateTime &when);
    // A failure that is the waybill's (number unknown, carrier unsupported)
    // says nothing of the source and is not counted.
    void recordFailure(ServiceId id, TrackFailure failure, const QString &text, const QDateTime &when);
    SourceHealth of(ServiceId id) const { return m_health.value(id); }
    void set(ServiceId id, const SourceHealth &health) { m_health.insert(id, health); }
    bool isFailing(ServiceId id) const { return of(id).failuresInRow >= kFailuresBeforeSwitch; }
    // One line for the status bar and the settings: "快递100 实时查询：正常（12:03 成功）" or the failure.
    QString summary(ServiceId id) const;

private:
    QHash<ServiceId, SourceHealth> m_health;
};
