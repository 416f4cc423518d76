// The register on a PostgreSQL server: connecting, checking or creating its
// tables, and the import's bulk path.
#include "store/ChangeNotices.h"
#include "store/PgCopy.h"
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using StoreShared::report;

namespace {

QString reasonOf(const QSqlError &error)
{
    if (StoreShared::isDenied(error))
        return StoreShared::deniedText();
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text() : text;
}

// Opens `db` on the server; the failure in the user's words.
Outcome connectTo(QSqlDatabase &db, const ServerLocation &server)
{
    const QString where = server.display();
    if (!db.isValid()) {
        return Outcome::failure(
            QStringLiteral("无法连接数据库 %1：本机没有 PostgreSQL 的驱动（libqt6sql6-psql）。").arg(where));
    }
    if (db.open())
        return Outcome::success();
    const QString reason = reasonOf(db.lastError());
    // libpq names no code here, only words: the server asked and none was found
    // ("fe_sendauth: …", in any language), or it was wrong.
    if (reason.contains(QLatin1String("fe_sendauth")) ||
        reason.contains(QLatin1String("password authentication failed"))) {
        return Outcome::failure(QStringLiteral("无法连接数据库服务器 %1：%2。请输入密码（只在本次运行中保留），"
                                               "或把它写入 ~/.pgpass。（%3）")
                                    .arg(where, WaybillStore::kPasswordNeeded, reason));
    }
    return Outcome::failure(
        QStringLiteral("无法连接数据库服务器 %1，请检查服务器是否开着、地址和用户是否正确：%2").arg(where, reason));
}

// The set-up's advisory lock, the same on every PC ("TolS").
constexpr qint64 kSetUpLock = 0x546F6C53;

} // namespace

Outcome WaybillStore::open(const ServerLocation &server)
{
    close();
    m_engine = StoreEngine::PostgreSQL;
    m_path = server.display();
    m_location = StoreLocation(server);
    const Outcome checked = openServerAndCheck(server);
    if (!checked)
        close();
    return checked;
}

QSqlDatabase WaybillStore::addServerConnection(const ServerLocation &server, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid())
        return db;
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    // Without a typed password libpq reads ~/.pgpass, PGPASSFILE or the service file itself.
    if (!server.password.isEmpty())
        db.setPassword(server.password);
    // A server that vanishes without a word (a cable pulled) is noticed within
    // about half a minute rather than the system's TCP timeout of many minutes.
    QStringList options{QStringLiteral("connect_timeout=%1").arg(qMax(1, server.connectSeconds)),
                        QStringLiteral("keepalives_idle=10"), QStringLiteral("keepalives_interval=5"),
                        QStringLiteral("keepalives_count=3"), QStringLiteral("tcp_user_timeout=20000")};
    if (!server.sslmode.isEmpty())
        options << QStringLiteral("sslmode=%1").arg(server.sslmode);
    if (!server.service.isEmpty())
        options << QStringLiteral("service=%1").arg(server.service);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}

Outcome WaybillStore::openServerAndCheck(const ServerLocation &server)
{
    QSqlDatabase db = addServerConnection(server, m_connection);
    if (Outcome connected = connectTo(db, server); !connected)
        return connected;
    // Windows of one PC, or several PCs, may open an empty or older register at
    // the same moment: one at a time sets it up, the others then find it done.
    // The lock goes with the connection should it break meanwhile.
    QSqlQuery lock(db);
    if (!lock.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(kSetUpLock)))
        return failure(QStringLiteral("无法读取表结构"), reasonOf(lock.lastError()));
    const auto unlock =
        qScopeGuard([&lock] { lock.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(kSetUpLock)); });
    QSqlQuery q(db);
    // CREATE … IF NOT EXISTS would otherwise send a notice on every start.
    q.exec(QStringLiteral("SET client_min_messages = warning"));
    if (!q.exec(dialect().ourTables))
        return failure(QStringLiteral("无法读取表结构"), reasonOf(q.lastError()));
    int tables = 0;
    while (q.next())
        ++tables;
    if (tables == 0) {
        if (!q.exec(QStringLiteral("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema()")))
            return failure(QStringLiteral("无法读取表结构"), reasonOf(q.lastError()));
        if (q.next()) {
            return Outcome::failure(
                QStringLiteral("数据库 %1 已有其他的表，不是本程序的数据库，程序不会改动它。").arg(m_path));
        }
        if (Outcome created = createServerTables(q); !created)
            return created;
    } else if (tables != 2) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 缺少快递单或 Temp 表，不是本程序的数据库，程序不会改动它。").arg(m_path));
    }
    if (Outcome layout = checkLayout(q, m_path); !layout)
        return layout;
    if (!q.exec(QStringLiteral("SELECT to_regprocedure('normal_number(text)') IS NOT NULL")) || !q.next() ||
        !q.value(0).toBool()) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 缺少函数 normal_number，不是本程序建立的数据库。").arg(m_path));
    }
    // Registers made before the grid read a server lack the archive rule's function.
    if (!q.exec(QStringLiteral("SELECT to_regprocedure('dispatch_date(text)') IS NOT NULL")) || !q.next())
        return failure(QStringLiteral("无法读取表结构"), reasonOf(q.lastError()));
    if (!q.value(0).toBool() && !q.exec(dispatchDateFunction()))
        return failure(QStringLiteral("无法添加函数 dispatch_date"), reasonOf(q.lastError()));
    if (Outcome history = addHistoryTable(q); !history)
        return history;
    // Without the triggers the others' changes only show on a reload; a role
    // that may not add them still works with the register.
    ChangeNotices::install(q);
    return Outcome::success();
}

Outcome WaybillStore::probe(const ServerLocation &server, QString *found)
{
    close();
    Outcome result;
    {
        QSqlDatabase db = addServerConnection(server, m_connection);
        result = connectTo(db, server);
        QSqlQuery q(db);
        if (result && !q.exec(StoreDialect::of(StoreEngine::PostgreSQL).ourTables))
            result = Outcome::failure(
                QStringLiteral("已连接到 %1，但无法读取表结构：%2").arg(server.display(), reasonOf(q.lastError())));
        int tables = 0;
        while (result && q.next())
            ++tables;
        QSqlQuery other(db);
        const bool foreign = result && tables == 0 &&
                             other.exec(QStringLiteral("SELECT 1 FROM information_schema.tables "
                                                       "WHERE table_schema = current_schema()")) &&
                             other.next();
        if (foreign || tables == 1) {
            result = Outcome::failure(QStringLiteral("已连接到 %1，但这个数据库%2，不能用作登记簿。")
                                          .arg(server.display(), foreign ? QStringLiteral("已有其他的表")
                                                                         : QStringLiteral("缺少快递单或 Temp 表")));
        } else if (result && found) {
            *found = tables == 2 ? QStringLiteral("数据库中已有登记簿。")
                                 : QStringLiteral("数据库是空的，第一次打开时会在其中建立登记簿。");
        }
    }
    close();
    return result;
}

QVector<QString> WaybillStore::importToServer(const ImportRows &rows, Outcome *outcome,
                                              const std::function<bool(int, int)> &progress)
{
    const int total = rows.count();
    QVector<QString> reasons(total);
    QSqlDatabase db = database();
    if (!db.transaction()) {
        report(outcome, failure(QStringLiteral("无法开始事务"), reasonOf(db.lastError())));
        return reasons;
    }
    const auto abandon = [&](const QString &why) {
        db.rollback();
        report(outcome, Outcome::failure(why));
        return QVector<QString>(total);
    };
    Outcome read;
    const QSet<QString> oddStored = oddNumbersInNormalForm(&read);
    if (!read) {
        db.rollback();
        report(outcome, read);
        return reasons;
    }
    // The rows that may go in: valid, and the first of their number in the file.
    QVector<int> sent;
    QStringList numbers;
    QSet<QString> seen;
    QString normal;
    RowValues row;
    for (int i = 0; i < total; ++i) {
        reasons[i] = importRow(rows, i, row, normal, oddStored);
        if (!reasons[i].isEmpty())
            continue;
        const QString number = row[WaybillColumns::Number].toString();
        if (seen.contains(number)) {
            reasons[i] = QStringLiteral("快递单号已存在！");
            continue;
        }
        seen.insert(number);
        sent << i;
        numbers << number;
    }
    seen.clear();
    const auto failed = [&](const QString &reason) {
        return abandon(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reason));
    };
    // Only the numbers go first, to learn which the register holds; the rows
    // then go once, by COPY straight into 快递单 as psql's \copy would: an
    // INSERT … ON CONFLICT from a staging table costs half as much again.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TEMP TABLE 导入单号 (快递单号 TEXT) ON COMMIT DROP")))
        return failed(reasonOf(q.lastError()));
    {
        PgCopy copy(db);
        if (!copy.begin(QStringLiteral("导入单号"), {QStringLiteral("快递单号")}))
            return failed(copy.error());
        for (const QString &number : std::as_const(numbers)) {
            copy.field(number);
            if (!copy.endRow())
                return failed(copy.error());
        }
        if (!copy.finish())
            return failed(copy.error());
    }
    constexpr int kProgressEvery = 1000;
    QSet<QString> stored;
    // Another PC may store one of the numbers between the look and the COPY;
    // the COPY then fails whole and goes again past it.
    for (int attempt = 0;; ++attempt) {
        stored.clear();
        if (!q.exec(QStringLiteral("SELECT n.快递单号 FROM 导入单号 n JOIN 快递单 k ON k.快递单号 = n.快递单号")))
            return failed(reasonOf(q.lastError()));
        while (q.next())
            stored.insert(q.value(0).toString());
        if (!q.exec(QStringLiteral("SAVEPOINT 导入")))
            return failed(reasonOf(q.lastError()));
        PgCopy copy(db);
        if (!copy.begin(QStringLiteral("快递单"), WaybillColumns::names()))
            return failed(StoreShared::isDenied(copy.sqlState()) ? StoreShared::deniedText() : copy.error());
        for (int n = 0; n < sent.size(); ++n) {
            if (progress && n % kProgressEvery == 0 && !progress(n, total)) {
                copy.abandon();
                return abandon(QStringLiteral("导入已取消，没有导入任何快递单。"));
            }
            if (stored.contains(numbers[n]))
                continue;
            importRow(rows, sent[n], row, normal, oddStored);
            for (const QStringView value : row)
                copy.field(value);
            if (!copy.endRow())
                break;
        }
        if (copy.finish())
            break;
        if (copy.sqlState() != QLatin1String("23505") || attempt == 2)
            return failed(copy.error());
        if (!q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT 导入")))
            return failed(reasonOf(q.lastError()));
    }
    for (int n = 0; n < sent.size(); ++n)
        if (stored.contains(numbers[n]))
            reasons[sent[n]] = QStringLiteral("快递单号已存在！");
    if (!db.commit())
        return abandon(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reasonOf(db.lastError())));
    if (progress)
        progress(total, total);
    report(outcome, Outcome::success());
    return reasons;
}
