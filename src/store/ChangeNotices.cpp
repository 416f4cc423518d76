#include "store/ChangeNotices.h"

#include <QSqlQuery>
#include <QVariant>

namespace ChangeNotices {

namespace {

// One function for both tables and every kind of statement: it reads the
// statement's transition tables, names the numbers (old and new, so that a
// renumbered row is known by both), or sends the many mark.
QString functionDefinition()
{
    return QStringLiteral("CREATE OR REPLACE FUNCTION tolvane_tell_change() RETURNS trigger LANGUAGE plpgsql AS $$ "
                          "DECLARE named TEXT; rows_changed BIGINT; "
                          "BEGIN "
                          "IF TG_OP = 'INSERT' THEN "
                          "  SELECT count(*), string_agg(DISTINCT 快递单号, E'\\n') INTO rows_changed, named "
                          "  FROM (SELECT 快递单号 FROM new_rows LIMIT %1 + 1) AS n; "
                          "ELSIF TG_OP = 'DELETE' THEN "
                          "  SELECT count(*), string_agg(DISTINCT 快递单号, E'\\n') INTO rows_changed, named "
                          "  FROM (SELECT 快递单号 FROM old_rows LIMIT %1 + 1) AS o; "
                          "ELSE "
                          "  SELECT count(*), string_agg(DISTINCT 快递单号, E'\\n') INTO rows_changed, named "
                          "  FROM (SELECT 快递单号 FROM (SELECT 快递单号 FROM new_rows UNION "
                          "        SELECT 快递单号 FROM old_rows) AS b LIMIT %1 + 1) AS u; "
                          "END IF; "
                          "IF rows_changed = 0 THEN RETURN NULL; END IF; "
                          "IF rows_changed > %1 OR octet_length(named) > 7900 THEN named := '%2'; END IF; "
                          "PERFORM pg_notify('%3', named); "
                          "RETURN NULL; "
                          "END $$")
        .arg(kMostNamed)
        .arg(kMany, kChannel);
}

} // namespace

bool install(QSqlQuery &q)
{
    const QStringList tables{QStringLiteral("快递单"), QStringLiteral("查询记录")};
    const QStringList events{QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE")};
    // A table with transition tables takes one event per trigger.
    QStringList missing;
    for (const QString &table : tables) {
        for (const QString &event : events) {
            const QString name = QStringLiteral("%1_告知%2").arg(table, event.toLower());
            q.prepare(QStringLiteral("SELECT 1 FROM pg_trigger WHERE tgname = ? AND tgrelid = to_regclass(?)"));
            q.addBindValue(name);
            q.addBindValue(table);
            if (!q.exec())
                return false;
            if (q.next())
                continue;
            const QString transition = event == QLatin1String("INSERT")   ? QStringLiteral("NEW TABLE AS new_rows")
                                       : event == QLatin1String("DELETE") ? QStringLiteral("OLD TABLE AS old_rows")
                                                                          : QStringLiteral("OLD TABLE AS old_rows NEW "
                                                                                           "TABLE AS new_rows");
            missing << QStringLiteral("CREATE TRIGGER %1 AFTER %2 ON %3 REFERENCING %4 FOR EACH STATEMENT "
                                      "EXECUTE FUNCTION tolvane_tell_change()")
                           .arg(name, event, table, transition);
        }
    }
    if (missing.isEmpty())
        return true;
    if (!q.exec(QStringLiteral("BEGIN")))
        return false;
    bool ok = q.exec(functionDefinition());
    for (const QString &statement : std::as_const(missing))
        ok = ok && q.exec(statement);
    if (ok && q.exec(QStringLiteral("COMMIT")))
        return true;
    q.exec(QStringLiteral("ROLLBACK"));
    return false;
}

QStringList numbersOf(const QString &payload)
{
    if (payload.isEmpty() || payload == kMany)
        return {};
    return payload.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace ChangeNotices
