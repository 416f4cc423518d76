#include "store/PgCopy.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

namespace {

constexpr int kSendAt = 1 << 18;

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

PgCopy::PgCopy(const QSqlDatabase &db)
{
    // Qt names the handle's type by the struct behind libpq's typedef.
    if (const QVariant h = db.driver()->handle(); h.isValid() && qstrcmp(h.typeName(), "pg_conn*") == 0)
        m_conn = *static_cast<PGconn *const *>(h.constData());
}

PgCopy::~PgCopy()
{
    if (m_inCopy)
        abandon();
}

bool PgCopy::fail(const QString &error, const QString &state)
{
    m_error = error.trimmed();
    m_state = state;
    return false;
}

bool PgCopy::begin(const QString &table, const QStringList &columns)
{
    if (!m_conn)
        return fail(QStringLiteral("not a PostgreSQL connection"));
    QStringList names;
    for (const QString &c : columns)
        names << quoted(c);
    const QByteArray sql =
        QStringLiteral("COPY %1 (%2) FROM STDIN").arg(quoted(table), names.join(QLatin1Char(','))).toUtf8();
    PGresult *result = PQexec(m_conn, sql.constData());
    const bool started = PQresultStatus(result) == PGRES_COPY_IN;
    if (!started)
        fail(QString::fromUtf8(PQresultErrorMessage(result)),
             QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE)));
    PQclear(result);
    m_inCopy = started;
    m_firstField = true;
    m_buffer.clear();
    m_buffer.reserve(kSendAt + 4096);
    return started;
}

void PgCopy::field(QStringView value)
{
    if (!m_firstField)
        m_buffer += '\t';
    m_firstField = false;
    if (value.isNull()) {
        m_buffer += "\\N";
        return;
    }
    const QByteArray bytes = value.toUtf8();
    // Text format: only the backslash and the three separators need escaping.
    for (const char c : bytes) {
        switch (c) {
        case '\\':
            m_buffer += "\\\\";
            break;
        case '\t':
            m_buffer += "\\t";
            break;
        case '\n':
            m_buffer += "\\n";
            break;
        case '\r':
            m_buffer += "\\r";
            break;
        default:
            m_buffer += c;
        }
    }
}

void PgCopy::field(qint64 value)
{
    if (!m_firstField)
        m_buffer += '\t';
    m_firstField = false;
    m_buffer += QByteArray::number(value);
}

bool PgCopy::endRow()
{
    m_buffer += '\n';
    m_firstField = true;
    return m_buffer.size() < kSendAt || send();
}

bool PgCopy::send()
{
    if (m_buffer.isEmpty())
        return true;
    if (PQputCopyData(m_conn, m_buffer.constData(), int(m_buffer.size())) != 1)
        return fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    m_buffer.clear();
    return true;
}

bool PgCopy::readResult()
{
    bool ok = true;
    // Every result must be taken, or the connection stays busy for Qt's driver.
    while (PGresult *result = PQgetResult(m_conn)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK && ok) {
            ok = fail(QString::fromUtf8(PQresultErrorMessage(result)),
                      QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE)));
        }
        PQclear(result);
    }
    return ok;
}

bool PgCopy::finish()
{
    if (!m_inCopy)
        return false;
    m_inCopy = false;
    if (!send()) {
        PQputCopyEnd(m_conn, "client could not send");
        readResult();
        return false;
    }
    if (PQputCopyEnd(m_conn, nullptr) != 1)
        return fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    return readResult();
}

void PgCopy::abandon()
{
    if (!m_inCopy)
        return;
    m_inCopy = false;
    PQputCopyEnd(m_conn, "cancelled");
    const QString error = m_error;
    const QString state = m_state;
    readResult();
    // The server's "COPY from stdin failed: cancelled" says nothing the caller does not know.
    if (!error.isEmpty())
        fail(error, state);
}
