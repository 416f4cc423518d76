#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// Parcels that time says are stuck: not picked up, silent, long on the way,
// left in a locker. One rule over what the register knows of a waybill; the
// thresholds are the user's (the watch settings).
namespace TimeFlags {

inline const QString kNotCollected = QStringLiteral("揽收超时");
inline const QString kSilent = QStringLiteral("超时未更新");
inline const QString kNotSigned = QStringLiteral("超时未签收");
inline const QString kUncollectedPickup = QStringLiteral("待取超时");

struct Thresholds {
    int collectHours = 48;
    int silentDays = 3;
    int transitDays = 7;
    int pickupDays = 2;
};

// What the rule needs of one waybill. Invalid times are unknown.
struct Facts {
    QString status;         // WaybillStatus of the newest check; empty before the first
    bool signedFor = false; // 状态 is 已签收, whatever the history says
    QDateTime dispatched;   // the 时间 date
    QDateTime newestLine;   // when the newest line was first found
    QDateTime statusSince;  // when the current status was first found
    int daysInTransit = -1; // whole days since the 时间 date; -1 unknown
};

struct Flag {
    QString flag;
    QDateTime since; // when the flag came on
};

// Every flag that holds at `now`, in the order of the constants above.
QVector<Flag> of(const Facts &facts, const QDateTime &now, const Thresholds &limits);

// The user's thresholds in config.ini, defaults for what is missing or wrong.
Thresholds fromSettings(const QString &programFolder);

} // namespace TimeFlags
