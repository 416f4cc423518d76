#pragma once

#include "core/Outcome.h"
#include "store/StateHistory.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

class QSqlDatabase;
class StoreConnection;

// A time flag of a waybill and when it came on, as the announcements remember it.
struct FlagNote final {
    QString number;
    QString flag;
    QDateTime since;
};

// What queries learned about each waybill, kept beside the register in its
// own table, which opening adds to an older file (older builds look only at
// their two tables, so they open such a file unchanged); and which time
// flags were announced.
class CheckHistory final {
public:
    explicit CheckHistory(const StoreConnection &store) : m_store(store) {}

    static QString historyTable() { return QStringLiteral("查询记录"); }
    // The history's column of what happened (WaybillStatus), added to older registers on opening.
    static inline const QString kStatusColumn = QStringLiteral("物流状态");
    static QString flagTable() { return QStringLiteral("超时提醒"); }

    // Marks a signed-for waybill in the same transaction; a number not in the
    // register writes nothing; a state equal to the newest known one only
    // moves its last-check time.
    CheckEffect recordCheck(const StateCheck &check, Outcome *outcome = nullptr);
    // Many checks in one transaction; all or none are written.
    QVector<CheckEffect> recordChecks(const QVector<StateCheck> &checks, Outcome *outcome = nullptr);
    // A waybill's history, newest first.
    QVector<StateEntry> stateHistory(const QString &number, Outcome *outcome = nullptr) const;
    // The newest check of every waybill that has one.
    CheckSummaries checkSummaries(Outcome *outcome = nullptr) const;

    // When each waybill whose newest status is `status` first got it.
    QHash<QString, QDateTime> statusSince(const QString &status, Outcome *outcome = nullptr) const;
    // Remembers the flags announced, in one transaction of their own table;
    // true for each flag not announced before (or since another moment).
    QVector<bool> rememberFlags(const QVector<FlagNote> &flags, Outcome *outcome = nullptr);

private:
    CheckEffect recordOne(QSqlDatabase &db, const StateCheck &check, Outcome *outcome);

    const StoreConnection &m_store;
};
