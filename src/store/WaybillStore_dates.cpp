// The archive rule's date of a row, dispatch_date(时间), on both engines:
// a function registered on each SQLite connection, and the same rule in the
// server's own language, made with its tables.
#include "store/DaysInTransit.h"
#include "store/WaybillStore.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

void dispatchDate(sqlite3_context *context, int, sqlite3_value **values)
{
    const void *text = sqlite3_value_text16(values[0]);
    const auto size = text ? sqlite3_value_bytes16(values[0]) / qsizetype(sizeof(char16_t)) : 0;
    const std::optional<QDate> date =
        text ? DaysInTransit::parseDate(QString(static_cast<const QChar *>(text), size)) : std::nullopt;
    if (!date) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray iso = date->toString(Qt::ISODate).toLatin1();
    sqlite3_result_text(context, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
}

} // namespace

bool WaybillStore::addDateFunction(QSqlDatabase &db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *handle = *static_cast<sqlite3 *const *>(h.constData());
    return sqlite3_create_function_v2(handle, "dispatch_date", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                                      dispatchDate, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString WaybillStore::dispatchDateFunction()
{
    // DaysInTransit::parseDate in the server's words. Qt's \s and \d are
    // ASCII only, the server's follow its locale, so blanks and digits are
    // spelled out (without backslashes, whose meaning in a literal depends on
    // the server's settings). A date that does not exist is NULL, as an invalid QDate.
    return QStringLiteral(
        "CREATE OR REPLACE FUNCTION dispatch_date(t TEXT) RETURNS TEXT LANGUAGE plpgsql IMMUTABLE STRICT "
        "PARALLEL SAFE AS $$ DECLARE "
        "w TEXT := '[ ' || chr(9) || chr(10) || chr(11) || chr(12) || chr(13) || ']'; "
        "m TEXT[]; y INT; mo INT; d INT; "
        "BEGIN "
        "m := regexp_match(t, '^' || w || '*([0-9]{4})' || w || '*(/|-|[.]|年)' || w || '*([0-9]{1,2})' || w || "
        "'*(/|-|[.]|月)' || w || '*([0-9]{1,2})' || w || '*(日)?(?:(?:' || w || '+|T)[0-9]{1,2}:[0-9]{2}"
        "(?::[0-9]{2})?)?' || w || '*$'); "
        "IF m IS NULL THEN RETURN NULL; END IF; "
        "IF m[2] = '年' THEN "
        "IF m[4] <> '月' OR m[6] IS NULL THEN RETURN NULL; END IF; "
        "ELSIF m[4] <> m[2] OR m[6] IS NOT NULL THEN RETURN NULL; END IF; "
        "y := m[1]::INT; mo := m[3]::INT; d := m[5]::INT; "
        "IF y < 1 OR mo < 1 OR mo > 12 OR d < 1 OR "
        "d > extract(day FROM make_date(y, mo, 1) + interval '1 month' - interval '1 day') THEN RETURN NULL; END IF; "
        "RETURN to_char(make_date(y, mo, d), 'YYYY-MM-DD'); "
        "END $$");
}
