#pragma once

#include <QString>
#include <QStringList>

// What happened to a waybill, read from the newest line of its record by one
// table of rules, tried top to bottom, the first match winning. The service's
// own state code, where an answer carries one, wins over the text.
namespace WaybillStatus {

inline const QString kReturnSigned = QStringLiteral("已退签");
inline const QString kSigned = QStringLiteral("已签收");
inline const QString kReturning = QStringLiteral("拒收/退回中");
inline const QString kTrouble = QStringLiteral("疑难");
inline const QString kAwaitingPickup = QStringLiteral("待取件");
inline const QString kOutForDelivery = QStringLiteral("派件中");
inline const QString kRedirected = QStringLiteral("转投");
inline const QString kCustoms = QStringLiteral("清关");
inline const QString kInTransit = QStringLiteral("运输中");
inline const QString kPickedUp = QStringLiteral("已揽收");
inline const QString kAwaitingCollection = QStringLiteral("待揽收");

// No state code in the answer.
constexpr int kNoCode = -1;

struct Rule {
    QString status;
    // Any one of these in the line matches; "甲+乙" needs both. A word right
    // after a denial ("未", "拒", "待", …) or right before "失败" does not count.
    QStringList words;
    // The tracking service's state codes (and sub-states) that mean this status.
    QList<int> codes;
};

// The table itself, in the order it is tried.
const QVector<Rule> &rules();

// The status of a record whose newest line is `line`; an empty line (no record
// yet) is 待揽收, a line that no rule knows is 运输中.
QString of(const QString &line, int code = kNoCode);
QString of(const QString &line, int code, const QVector<Rule> &table);

// Every status, in the table's order.
QStringList all();

// 已签收 and 已退签 are final: nothing more will happen to the parcel.
bool isFinal(const QString &status);

} // namespace WaybillStatus

// The one signed-for rule of both queries: the status of the state is 已签收.
bool IsSignedFor(const QString &state);
