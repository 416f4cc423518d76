#pragma once

#include "SimRecords.h"

#include <QString>
#include <QVector>

// The accounts that the simulated services accept, and what they allow.
struct SimAccounts final {
    static constexpr qint64 kLargeQuota = 1000000;

    QString kuaidi100Customer = QStringLiteral("tolvane-customer");
    QString kuaidi100Key = QStringLiteral("tolvane-key");
    QString kdniaoId = QStringLiteral("1234567");
    QString kdniaoKey = QStringLiteral("tolvane-apikey");
    QString track17Token = QStringLiteral("tolvane-17token");
    qint64 kuaidi100Quota = kLargeQuota;
    qint64 kdniaoQuota = kLargeQuota;
    qint64 track17Quota = kLargeQuota;
    // The window of the per-second limits; 0 turns them off.
    int rateWindowMs = 1000;
    // 快递100 locks a number asked again within this time; 0: never.
    qint64 kuaidi100LockMs = 0;

    // "ID:KEY" for kuaidi100 and kdniao, "TOKEN" for 17track; false when malformed.
    bool setAccount(const QString &service, const QString &value);
    // "SERVICE=N"; false when malformed.
    bool setQuota(const QString &assignment);
};

// A record's lines as the account services present them.
namespace SimTrace {

struct Line {
    QString time;  // "2024-03-01 09:15:02", China time
    QString text;  // the line after its time, place included
    QString place; // the station between 【】, or empty
    QString city;  // "深圳市", or empty when the line names no place
};

// Oldest first; empty for a number the service does not know.
QVector<Line> linesFor(SimRecords::Kind kind);

// The kind whose code a line carries: the last line the record's own, the
// first one the pick-up, the others the transit between.
SimRecords::Kind lineKind(SimRecords::Kind kind, int index, int count);

} // namespace SimTrace
