// The register on a PostgreSQL server: checking or creating its tables; and
// the SQL functions normal_number() and dispatch_date() on both engines, a
// function registered on each SQLite connection and the same rule in the
// server's own language, made with its tables.
#include "store/ChangeNotices.h"
#include "store/DaysInTransit.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/Waybill.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

using StoreShared::reasonOf;

namespace {

// The set-up's advisory lock, the same on every PC ("TolS").
constexpr qint64 kSetUpLock = 0x546F6C53;

void normalNumber(sqlite3_context *context, int, sqlite3_value **values)
{
    const void *text = sqlite3_value_text16(values[0]);
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    const auto size = sqlite3_value_bytes16(values[0]) / qsizetype(sizeof(char16_t));
    const QString normal = WaybillNumber::normalForm(QStringView(static_cast<const char16_t *>(text), size));
    sqlite3_result_text16(context, normal.utf16(), int(normal.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
}

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

bool addFunction(QSqlDatabase &db, const char *name, void (*function)(sqlite3_context *, int, sqlite3_value **))
{
    sqlite3 *handle = StoreShared::sqliteHandle(db);
    return handle && sqlite3_create_function_v2(handle, name, 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, function,
                                                nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

Outcome RegisterSchema::setUpServer(QSqlDatabase &db) const
{
    // Windows of one PC, or several PCs, may open an empty or older register at
    // the same moment: one at a time sets it up, the others then find it done.
    // The lock goes with the connection should it break meanwhile.
    QSqlQuery lock(db);
    if (!lock.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kSetUpLock)))
        return m_store.failure(QStringLiteral("无法读取表结构"), reasonOf(lock.lastError()));
    const auto unlock =
        qScopeGuard([&lock] { lock.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kSetUpLock)); });
    QSqlQuery q(db);
    // CREATE … IF NOT EXISTS would otherwise send a notice on every start.
    q.exec(QStringLiteral("SET client_min_messages = warning"));
    if (Outcome tables = checkServerTables(q); !tables)
        return tables;
    if (Outcome layout = checkLayout(q); !layout)
        return layout;
    if (Outcome functions = checkServerFunctions(q); !functions)
        return functions;
    if (Outcome history = addHistoryTable(q); !history)
        return history;
    // Without the triggers the others' changes only show on a reload; a role
    // that may not add them still works with the register.
    ChangeNotices::install(q);
    return Outcome::success();
}

Outcome RegisterSchema::checkServerTables(QSqlQuery &q) const
{
    if (!q.exec(m_store.dialect().ourTables))
        return m_store.failure(QStringLiteral("无法读取表结构"), reasonOf(q.lastError()));
    int tables = 0;
    while (q.next())
        ++tables;
    if (tables == 0) {
        if (!q.exec(QStringLiteral("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema()")))
            return m_store.failure(QStringLiteral("无法读取表结构"), reasonOf(q.lastError()));
        if (q.next()) {
            return Outcome::failure(
                QStringLiteral("数据库 %1 已有其他的表，不是本程序的数据库，程序不会改动它。").arg(m_store.path()));
        }
        return createServerTables(q);
    }
    if (tables != 2) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 缺少快递单或 Temp 表，不是本程序的数据库，程序不会改动它。").arg(m_store.path()));
    }
    return Outcome::success();
}

Outcome RegisterSchema::checkServerFunctions(QSqlQuery &q) const
{
    if (!q.exec(QStringLiteral("SELECT to_regprocedure('normal_number(text)') IS NOT NULL")) || !q.next() ||
        !q.value(0).toBool()) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 缺少函数 normal_number，不是本程序建立的数据库。").arg(m_store.path()));
    }
    // Registers made before the grid read a server lack the archive rule's function.
    if (!q.exec(QStringLiteral("SELECT to_regprocedure('dispatch_date(text)') IS NOT NULL")) || !q.next())
        return m_store.failure(QStringLiteral("无法读取表结构"), reasonOf(q.lastError()));
    if (!q.value(0).toBool() && !q.exec(dateFunctionDefinition()))
        return m_store.failure(QStringLiteral("无法添加函数 dispatch_date"), reasonOf(q.lastError()));
    return Outcome::success();
}

bool RegisterSchema::addNumberFunction(QSqlDatabase &db)
{
    return addFunction(db, "normal_number", normalNumber);
}

bool RegisterSchema::addDateFunction(QSqlDatabase &db)
{
    return addFunction(db, "dispatch_date", dispatchDate);
}

QString RegisterSchema::numberFunctionDefinition()
{
    // Statements on the server bind text as it is; only SQLite needs the
    // register's own normal-form function registered per connection. NFKC,
    // then blanks and invisible format characters dropped, as WaybillNumber::normalForm.
    return QStringLiteral(
        "CREATE OR REPLACE FUNCTION normal_number(number TEXT) RETURNS TEXT LANGUAGE SQL IMMUTABLE STRICT "
        "PARALLEL SAFE AS $$ SELECT upper(regexp_replace(normalize(number, NFKC), "
        "'[\\s\\u0085\\u00A0\\u00AD\\u1680\\u180E\\u2000-\\u200F\\u2028-\\u202F\\u205F-\\u2064"
        "\\u2066-\\u206F\\u3000\\uFEFF\\uFFF9-\\uFFFB]', '', 'g')) $$");
}

QString RegisterSchema::dateFunctionDefinition()
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
