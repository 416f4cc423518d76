// What the time flags need of the history, and which flags were announced.
#include "store/BoundText.h"
#include "store/CheckHistory.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;
using StoreShared::report;

QHash<QString, QDateTime> CheckHistory::statusSince(const QString &status, Outcome *outcome) const
{
    QHash<QString, QDateTime> since;
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    // The oldest row of the newest run of that status: a later line with the
    // same status (a second locker message) does not start the wait again.
    q.prepare(withText(
        QStringLiteral("SELECT h.快递单号, min(h.查询时间) FROM %1 h WHERE h.%2 = ? "
                       "AND h.%2 = (SELECT n.%2 FROM %1 n WHERE n.快递单号 = h.快递单号 "
                       "ORDER BY n.查询时间 DESC, n.%3 DESC LIMIT 1) "
                       "AND h.查询时间 > coalesce((SELECT max(o.查询时间) FROM %1 o WHERE o.快递单号 = h.快递单号 "
                       "AND o.%2 <> h.%2), '') GROUP BY h.快递单号")
            .arg(historyTable(), kStatusColumn, m_store.dialect().order)));
    q.addBindValue(nonNull(status));
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    while (result && q.next())
        since.insert(q.value(0).toString(), QDateTime::fromString(q.value(1).toString(), Qt::ISODate).toUTC());
    return since;
}

QVector<bool> CheckHistory::rememberFlags(const QVector<FlagNote> &flags, Outcome *outcome)
{
    QVector<bool> fresh(flags.size(), false);
    QSqlDatabase db = m_store.database();
    QSqlQuery q(db);
    // Older registers get the table at the first flag.
    if (!q.exec(RegisterSchema::flagTableDefinition()) || !q.exec(m_store.dialect().beginWrite)) {
        report(outcome, m_store.failure(QStringLiteral("无法保存超时提醒"), q.lastError().text()));
        return fresh;
    }
    for (int i = 0; i < flags.size(); ++i) {
        const FlagNote &f = flags[i];
        const QString since = f.since.toUTC().toString(Qt::ISODate);
        q.prepare(withText(QStringLiteral("SELECT 起始 FROM %1 WHERE 快递单号 = ? AND 标记 = ?").arg(flagTable())));
        q.addBindValue(nonNull(f.number));
        q.addBindValue(nonNull(f.flag));
        Outcome r = m_store.exec(q);
        // The same flag since the same moment was told; a later start is a new spell.
        if (r && q.next() && q.value(0).toString() == since)
            continue;
        q.finish();
        if (r) {
            q.prepare(withText(QStringLiteral("INSERT INTO %1 (快递单号, 标记, 起始) VALUES (?, ?, ?) "
                                              "ON CONFLICT (快递单号, 标记) DO UPDATE SET 起始 = excluded.起始")
                                   .arg(flagTable())));
            for (const QString &value : {f.number, f.flag, since})
                q.addBindValue(nonNull(value));
            r = m_store.exec(q);
        }
        if (!r) {
            db.rollback();
            report(outcome, r);
            return QVector<bool>(flags.size(), false);
        }
        fresh[i] = true;
    }
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        report(outcome, m_store.failure(QStringLiteral("无法保存超时提醒"), reason));
        return QVector<bool>(flags.size(), false);
    }
    report(outcome, Outcome::success());
    return fresh;
}
