// The batch queries' scratch table.
#include "store/BatchScratch.h"

#include "store/BoundText.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/Waybill.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;

Outcome BatchScratch::clearTemp()
{
    QSqlQuery q(m_store.database());
    q.prepare(QStringLiteral("DELETE FROM Temp"));
    return m_store.exec(q);
}

Outcome BatchScratch::insertTemp(const QString &number, const QString &carrier)
{
    using WaybillColumns::characterCount;
    if (characterCount(number) > 255 || characterCount(carrier) > 255)
        return Outcome::failure(QStringLiteral("快递单号或快递公司太长：最多 255 个字符。"));
    if (Outcome ok = StoreShared::checkCharacters(QStringLiteral("快递单号"), number); !ok)
        return ok;
    if (Outcome ok = StoreShared::checkCharacters(QStringLiteral("快递公司"), carrier); !ok)
        return ok;
    QSqlQuery q(m_store.database());
    q.prepare(withText(QStringLiteral("INSERT INTO Temp VALUES (?, ?)")));
    q.addBindValue(nonNull(number));
    q.addBindValue(nonNull(carrier));
    return m_store.exec(q);
}

QVector<QPair<QString, QString>> BatchScratch::tempRows(Outcome *outcome) const
{
    const StoreDialect &d = m_store.dialect();
    QVector<QPair<QString, QString>> rows;
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, %2 FROM Temp ORDER BY %3")
                  .arg(d.read(QStringLiteral("快递单号")), d.read(QStringLiteral("快递公司")), d.order));
    const Outcome result = m_store.exec(q);
    StoreShared::report(outcome, result);
    while (result && q.next())
        rows.push_back({StoreDialect::text(q.value(0)), StoreDialect::text(q.value(1))});
    return rows;
}
