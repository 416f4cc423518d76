// The register on a PostgreSQL server: connecting, checking or creating its
// tables, and the import's bulk path.
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using StoreShared::report;

namespace {

QString reasonOf(const QSqlError &error)
{
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
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    // Without a typed password libpq reads ~/.pgpass, PGPASSFILE or the service file itself.
    if (!server.password.isEmpty())
        db.setPassword(server.password);
    QStringList options{QStringLiteral("connect_timeout=%1").arg(qMax(1, server.connectSeconds))};
    if (!server.sslmode.isEmpty())
        options << QStringLiteral("sslmode=%1").arg(server.sslmode);
    if (!server.service.isEmpty())
        options << QStringLiteral("service=%1").arg(server.service);
    db.setConnectOptions(options.join(QLatin1Char(';')));
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
    return Outcome::failure(QStringLiteral("无法连接数据库服务器 %1，请检查服务器是否开着、地址和用户是否正确：%2")
                                .arg(where, reason));
}

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

Outcome WaybillStore::openServerAndCheck(const ServerLocation &server)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (Outcome connected = connectTo(db, server); !connected)
        return connected;
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
    return addHistoryTable(q);
}

Outcome WaybillStore::probe(const ServerLocation &server, QString *found)
{
    close();
    Outcome result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
        result = connectTo(db, server);
        QSqlQuery q(db);
        if (result && !q.exec(StoreDialect::of(StoreEngine::PostgreSQL).ourTables))
            result = Outcome::failure(QStringLiteral("已连接到 %1，但无法读取表结构：%2")
                                          .arg(server.display(), reasonOf(q.lastError())));
        int tables = 0;
        while (result && q.next())
            ++tables;
        QSqlQuery other(db);
        const bool foreign = result && tables == 0 &&
                             other.exec(QStringLiteral("SELECT 1 FROM information_schema.tables "
                                                       "WHERE table_schema = current_schema()")) &&
                             other.next();
        if (foreign || tables == 1) {
            result = Outcome::failure(
                QStringLiteral("已连接到 %1，但这个数据库%2，不能用作登记簿。")
                    .arg(server.display(), foreign ? QStringLiteral("已有其他的表") : QStringLiteral("缺少快递单或 Temp 表")));
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
    // Many rows a statement: one round trip per row would cost more than the
    // rows. A number already stored (or earlier in the import) is left out by
    // the key, and RETURNING names the rows that went in.
    constexpr int kBatch = 500;
    const QString oneRow =
        QStringLiteral("(%1)").arg(QStringList(WaybillColumns::Count, QStringLiteral("?")).join(QLatin1Char(',')));
    QSqlQuery insert(db);
    int prepared = 0;
    QVector<int> batch;
    QVariantList values;
    const auto flush = [&]() -> bool {
        if (batch.isEmpty())
            return true;
        if (batch.size() != prepared) {
            prepared = int(batch.size());
            insert.prepare(
                QStringLiteral("INSERT INTO 快递单 VALUES %1 ON CONFLICT (快递单号) DO NOTHING RETURNING 快递单号")
                    .arg(QStringList(prepared, oneRow).join(QLatin1Char(','))));
        }
        for (int v = 0; v < values.size(); ++v)
            insert.bindValue(v, values[v]);
        if (!insert.exec())
            return false;
        QSet<QString> stored;
        while (insert.next())
            stored.insert(insert.value(0).toString());
        for (int n = 0; n < batch.size(); ++n) {
            const QString number = values[n * WaybillColumns::Count + WaybillColumns::Number].toString();
            reasons[batch[n]] = stored.remove(number) ? QString() : QStringLiteral("快递单号已存在！");
        }
        batch.clear();
        values.clear();
        return true;
    };
    constexpr int kProgressEvery = 1000;
    QString normal;
    RowValues row;
    for (int i = 0; i < total; ++i) {
        if (progress && i % kProgressEvery == 0 && !progress(i, total))
            return abandon(QStringLiteral("导入已取消，没有导入任何快递单。"));
        reasons[i] = importRow(rows, i, row, normal, oddStored);
        if (!reasons[i].isEmpty())
            continue;
        batch.push_back(i);
        for (const QStringView value : row)
            values << (value.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(value.toString()));
        if (batch.size() == kBatch && !flush())
            return abandon(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reasonOf(insert.lastError())));
    }
    if (!flush())
        return abandon(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reasonOf(insert.lastError())));
    if (!db.commit())
        return abandon(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reasonOf(db.lastError())));
    if (progress)
        progress(total, total);
    report(outcome, Outcome::success());
    return reasons;
}
