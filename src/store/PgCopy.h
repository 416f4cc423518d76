#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

class QSqlDatabase;
struct pg_conn;

// COPY … FROM STDIN on the libpq connection under a QPSQL database: rows go
// to the server as one stream in COPY's text format, where INSERTs would cost
// a round trip and a parse per batch. Used inside the caller's transaction.
class PgCopy final {
public:
    explicit PgCopy(const QSqlDatabase &db);
    ~PgCopy();
    PgCopy(const PgCopy &) = delete;
    PgCopy &operator=(const PgCopy &) = delete;

    // Starts COPY table (columns) FROM STDIN.
    bool begin(const QString &table, const QStringList &columns);
    // One field of the current row; a null view is NULL.
    void field(QStringView value);
    void field(qint64 value);
    // Ends the row; the buffer goes to the server once it is large.
    bool endRow();
    // Ends the stream and waits for the server's verdict on all of it.
    bool finish();
    // Ends the stream with an error: the server discards every row sent.
    void abandon();

    // What the server or libpq said, and its SQLSTATE.
    QString error() const { return m_error; }
    QString sqlState() const { return m_state; }

private:
    bool send();
    bool fail(const QString &error, const QString &state = QString());
    bool readResult();

    pg_conn *m_conn = nullptr;
    QByteArray m_buffer;
    bool m_inCopy = false;
    bool m_firstField = true;
    QString m_error;
    QString m_state;
};
