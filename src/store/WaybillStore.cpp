#include "store/WaybillStore.h"
#include "store/BoundText.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <sqlite3.h>

using namespace BoundText;

namespace {

QAtomicInt connectionCounter;

QString columnDefinition(int column)
{
    const QString name = WaybillColumns::name(column);
    return QStringLiteral("%1 VARCHAR(%2)%3 CHECK (length(%1) <= %2)")
        .arg(name)
        .arg(WaybillColumns::maxLength(column))
        .arg(WaybillColumns::required(column) ? QStringLiteral(" NOT NULL") : QString());
}

QString registerTableDefinition()
{
    QStringList parts;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        parts << columnDefinition(c);
    parts << QStringLiteral("CONSTRAINT FirstPrimaryKey PRIMARY KEY (快递单号)");
    return QStringLiteral("CREATE TABLE 快递单 (%1)").arg(parts.join(QStringLiteral(", ")));
}

QString tempTableDefinition()
{
    return QStringLiteral("CREATE TABLE Temp (快递单号 VARCHAR(255) NOT NULL CHECK (length(快递单号) <= 255), "
                          "快递公司 VARCHAR(255) NOT NULL CHECK (length(快递公司) <= 255), "
                          "CONSTRAINT FirstPrimaryKey PRIMARY KEY (快递单号))");
}

using WaybillColumns::characterCount;

// U+FFFE and U+FFFF are no text: SQLite turns them into U+FFFD on the way out.
// NUL would end the value for every reader of the file.
int unstorableCharacter(QStringView value)
{
    for (const QChar c : value) {
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF || c.unicode() == 0)
            return c.unicode();
    }
    return -1;
}

Outcome unstorable(const QString &field, int bad)
{
    return Outcome::failure(QStringLiteral("“%1”含有无法保存的字符（U+%2），请删去后再试。未保存。")
                                .arg(field, QString::number(bad, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
}

Outcome checkCharacters(const QString &field, QStringView value)
{
    const int bad = unstorableCharacter(value);
    return bad < 0 ? Outcome::success() : unstorable(field, bad);
}

Waybill fromRecord(const QSqlQuery &query)
{
    Waybill w;
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        const QVariant v = query.value(c);
        const QString text = v.toString();
        WaybillColumns::value(w, c) = v.isNull() ? QString() : text.isNull() ? QStringLiteral("") : text;
    }
    return w;
}

const QString kSelectAll =
    QStringLiteral("SELECT ") + WaybillColumns::names().join(QStringLiteral(", ")) + QStringLiteral(" FROM 快递单");

// "物品 = ?, 金额 = ?, …" for the typed columns after the number and the carrier.
QString typedAssignments()
{
    QStringList parts;
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        parts << WaybillColumns::name(WaybillColumns::kTyped[i]) + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(", "));
}

void report(Outcome *target, const Outcome &value)
{
    if (target)
        *target = value;
}

} // namespace

WaybillStore::WaybillStore()
    : m_connection(QStringLiteral("tolvane-store-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

WaybillStore::~WaybillStore()
{
    close();
}

QSqlDatabase WaybillStore::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

Outcome WaybillStore::failure(const QString &what, const QString &detail) const
{
    return Outcome::failure(QStringLiteral("%1（数据库 %2）：%3").arg(what, m_path, detail));
}

Outcome WaybillStore::exec(QSqlQuery &query) const
{
    if (query.exec())
        return Outcome::success();
    const QSqlError error = query.lastError();
    return statementFailure(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

// What SQLite said of a failed statement, in the user's words.
Outcome WaybillStore::statementFailure(const QString &text) const
{
    if (text.contains(QLatin1String("UNIQUE constraint failed")))
        return Outcome::failure(QStringLiteral("快递单号已存在！"));
    if (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy")))
        return failure(QStringLiteral("数据库正被其他程序占用，请稍后再试"), text);
    return failure(QStringLiteral("数据库操作失败"), text);
}

namespace {

// The name a register is built under before it is renamed into place.
QString buildingName(const QString &path)
{
    return path + QStringLiteral(".building");
}

bool isBusy(const QSqlError &error)
{
    // SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file.
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6") ||
           error.databaseText().contains(QLatin1String("locked"));
}

// A file that SQLite reads as a database without a single table. A hot
// journal of an interrupted creation is rolled back by the read.
bool holdsNoTable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (info.size() == 0)
        return true;
    const QString name = QStringLiteral("tolvane-probe-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    bool empty = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            empty = q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && q.next() && q.value(0).toInt() == 0;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return empty;
}

void removeWithJournals(const QString &path)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

} // namespace

Outcome WaybillStore::createDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        return Outcome::failure(QStringLiteral("数据库 %1 已存在，不会被覆盖。").arg(path));
    const QString building = buildingName(path);
    removeWithJournals(building);
    const QString name = QStringLiteral("tolvane-create-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    Outcome result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(building);
        if (!db.open()) {
            result = Outcome::failure(QStringLiteral("无法创建数据库 %1：%2").arg(path, db.lastError().text()));
        } else {
            QSqlQuery q(db);
            // Values are bound as UTF-8 bytes and cast to text, which only
            // keeps them as they are when the file's own encoding is UTF-8.
            const bool ok = q.exec(QStringLiteral("PRAGMA encoding = 'UTF-8'")) && db.transaction() &&
                            q.exec(registerTableDefinition()) && q.exec(tempTableDefinition()) && db.commit();
            if (!ok) {
                const QString reason = q.lastError().text().isEmpty() ? db.lastError().text() : q.lastError().text();
                db.rollback();
                result = Outcome::failure(QStringLiteral("无法创建数据库 %1：%2").arg(path, reason));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    // Only a complete file takes the register's name; the rename never
    // replaces a file that appeared meanwhile.
    if (result && !QFile::rename(building, path))
        result = Outcome::failure(QStringLiteral("无法创建数据库 %1：不能把新文件改为这个名字。").arg(path));
    removeWithJournals(building);
    return result;
}

Outcome WaybillStore::createIfMissing(const QString &path, bool *created)
{
    if (created)
        *created = false;
    removeWithJournals(buildingName(path));
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!holdsNoTable(path))
            return Outcome::success();
        removeWithJournals(path);
    }
    const Outcome made = createDatabase(path);
    if (made && created)
        *created = true;
    return made;
}

Outcome WaybillStore::open(const QString &path)
{
    close();
    m_path = path;
    const QFileInfo info(path);
    if (info.isDir()) {
        return Outcome::failure(
            QStringLiteral("%1 是一个文件夹，不是数据库文件。请把它移走或改名，程序会新建数据库。").arg(path));
    }
    if (!info.isFile())
        return Outcome::failure(QStringLiteral("找不到数据库 %1。").arg(path));
    // Checked by the file's own marks as well: root may write any file, but a
    // file its user made read-only is not meant to be written.
    constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!info.isWritable() || !(info.permissions() & kAnyWrite)) {
        return Outcome::failure(QStringLiteral("数据库 %1 是只读文件，程序无法保存运单。请去掉它的只读属性"
                                               "（或把程序放到可以写入的文件夹）后再启动。")
                                    .arg(path));
    }
    if (!QFileInfo(info.absolutePath()).isWritable()) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 所在的文件夹不能写入，程序无法保存运单。请把程序放到可以写入的文件夹。")
                .arg(path));
    }
    const Outcome checked = openAndCheck(path);
    if (!checked)
        close();
    return checked;
}

Outcome WaybillStore::openAndCheck(const QString &path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    const QString inUse = QStringLiteral("数据库 %1 正被其他程序使用，请关闭那个程序后再试。").arg(path);
    if (!db.open()) {
        if (isBusy(db.lastError()))
            return Outcome::failure(inUse);
        return Outcome::failure(QStringLiteral("无法打开数据库 %1：%2").arg(path, db.lastError().text()));
    }
    if (!addNumberFunction(db))
        return Outcome::failure(QStringLiteral("无法打开数据库 %1：SQLite 不接受函数 normal_number").arg(path));
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('快递单', 'Temp')"))) {
        if (isBusy(q.lastError()))
            return Outcome::failure(inUse);
        return Outcome::failure(QStringLiteral("数据库 %1 已损坏或不是本程序的数据库，程序不会改动它：%2")
                                    .arg(path, q.lastError().databaseText()));
    }
    int tables = 0;
    while (q.next())
        ++tables;
    if (tables != 2) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 缺少快递单或 Temp 表，不是本程序的数据库，程序不会改动它。").arg(path));
    }
    if (Outcome layout = checkLayout(q, path); !layout)
        return layout;
    // A write lock held elsewhere shows here rather than at the first save.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        if (isBusy(q.lastError()))
            return Outcome::failure(inUse);
        return Outcome::failure(QStringLiteral("数据库 %1 无法写入：%2").arg(path, q.lastError().databaseText()));
    }
    q.exec(QStringLiteral("ROLLBACK"));
    return addHistoryTable(q);
}

Outcome WaybillStore::checkLayout(QSqlQuery &q, const QString &path) const
{
    const QVector<QPair<QString, QStringList>> expected{
        {QStringLiteral("快递单"), WaybillColumns::names()},
        {QStringLiteral("Temp"), {QStringLiteral("快递单号"), QStringLiteral("快递公司")}},
    };
    for (const auto &[table, columns] : expected) {
        if (!q.exec(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table)))
            return failure(QStringLiteral("无法读取表结构"), q.lastError().databaseText());
        QStringList found;
        while (q.next())
            found << q.value(0).toString();
        if (found != columns) {
            return Outcome::failure(
                QStringLiteral("数据库 %1 的表“%2”的列与本程序不符（应为 %3，实为 %4），"
                               "不是本程序的数据库，程序不会改动它。")
                    .arg(path, table, columns.join(QStringLiteral("、")), found.join(QStringLiteral("、"))));
        }
    }
    if (q.exec(QStringLiteral("PRAGMA encoding")) && q.next() && q.value(0).toString() != QLatin1String("UTF-8")) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 的文字编码是 %2，本程序只能使用 UTF-8 编码的数据库，程序不会改动它。")
                .arg(path, q.value(0).toString()));
    }
    return Outcome::success();
}

void WaybillStore::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool WaybillStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && database().isOpen();
}

Outcome WaybillStore::validate(const Waybill &waybill)
{
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        if (Outcome ok = validateValue(c, WaybillColumns::value(waybill, c)); !ok)
            return ok;
    }
    return Outcome::success();
}

Outcome WaybillStore::validateValue(int column, QStringView value)
{
    // The column's name is only looked up for a message: an import asks this
    // for every value.
    if (const int bad = unstorableCharacter(value); bad >= 0)
        return unstorable(WaybillColumns::name(column), bad);
    const int limit = WaybillColumns::maxLength(column);
    if (const int length = characterCount(value); length > limit) {
        return Outcome::failure(QStringLiteral("“%1”太长：最多 %2 个字符，现在是 %3 个。未保存。")
                                    .arg(WaybillColumns::name(column))
                                    .arg(limit)
                                    .arg(length));
    }
    return Outcome::success();
}

QVector<Waybill> WaybillStore::readRows(QSqlQuery &query, Outcome *outcome, const KeepGoing &keepGoing) const
{
    QVector<Waybill> rows;
    const Outcome result = exec(query);
    if (!result) {
        report(outcome, result);
        return rows;
    }
    constexpr int kRowsBetweenAsks = 512;
    for (int n = 1; query.next(); ++n) {
        rows.push_back(fromRecord(query));
        if (keepGoing && n % kRowsBetweenAsks == 0 && !keepGoing()) {
            report(outcome, Outcome::failure(QStringLiteral("读取已取消。")));
            return rows;
        }
    }
    report(outcome, Outcome::success());
    return rows;
}

QVector<Waybill> WaybillStore::allWaybills(Outcome *outcome, const KeepGoing &keepGoing) const
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(kSelectAll + QStringLiteral(" ORDER BY rowid"));
    return readRows(q, outcome, keepGoing);
}

QVector<Waybill> WaybillStore::summaryColumns(Outcome *outcome) const
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 状态, 快递公司, 时间, 在途时间 FROM 快递单"));
    QVector<Waybill> rows;
    if (const Outcome result = exec(q); !result) {
        report(outcome, result);
        return rows;
    }
    while (q.next()) {
        Waybill w;
        w.status = q.value(0).toString();
        w.carrier = q.value(1).toString();
        w.time = q.value(2).toString();
        w.daysInTransit = q.value(3).toString();
        rows.push_back(std::move(w));
    }
    report(outcome, Outcome::success());
    return rows;
}

int WaybillStore::count(Outcome *outcome) const
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT count(*) FROM 快递单"));
    const Outcome result = exec(q);
    report(outcome, result);
    return result && q.next() ? q.value(0).toInt() : 0;
}

std::optional<Waybill> WaybillStore::find(const QString &number, Outcome *outcome) const
{
    QSqlQuery q(database());
    q.prepare(withText(kSelectAll + QStringLiteral(" WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(number));
    const Outcome result = exec(q);
    report(outcome, result);
    if (result && q.next())
        return fromRecord(q);
    return result ? findByNormalForm(number, outcome) : std::nullopt;
}

bool WaybillStore::numberExists(const QString &number, Outcome *outcome) const
{
    return find(number, outcome).has_value();
}

namespace {
const QString kInsert = withText(QStringLiteral("INSERT INTO 快递单 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
}

Outcome WaybillStore::insertFromInputForm(const Waybill &waybill)
{
    return insertQuickAdd(waybill, QStringLiteral("0天 "));
}

Outcome WaybillStore::insertQuickAdd(const Waybill &waybill, const QString &daysInTransit)
{
    Waybill row = waybill;
    row.number = WaybillNumber::normalForm(waybill.number);
    row.status = kNotSignedFor;
    row.daysInTransit = daysInTransit;
    if (Outcome valid = validate(row); !valid)
        return valid;
    if (Outcome isNew = numberIsNew(row.number); !isNew)
        return isNew;
    QSqlQuery q(database());
    q.prepare(kInsert);
    for (const QString &value : row.values())
        q.addBindValue(nonNull(value));
    return exec(q);
}

Outcome WaybillStore::updateKeepingNumber(const Waybill &waybill)
{
    if (Outcome valid = validate(waybill); !valid)
        return valid;
    QSqlQuery q(database());
    q.prepare(
        withText(QStringLiteral("UPDATE 快递单 SET 快递公司 = ?, %1 WHERE 快递单号 = ?").arg(typedAssignments())));
    q.addBindValue(nonNull(waybill.carrier));
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        q.addBindValue(nonNull(WaybillColumns::value(waybill, WaybillColumns::kTyped[i])));
    q.addBindValue(nonNull(waybill.number));
    return exec(q);
}

Outcome WaybillStore::updateChangingNumber(const QString &oldNumber, const Waybill &typed, bool changeCarrier)
{
    Waybill waybill = typed;
    waybill.number = WaybillNumber::normalForm(typed.number);
    if (Outcome valid = validate(waybill); !valid)
        return valid;
    if (Outcome isNew = numberIsNew(waybill.number, oldNumber); !isNew)
        return isNew;
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("UPDATE 快递单 SET 快递单号 = ?, %1%2 WHERE 快递单号 = ?")
                           .arg(changeCarrier ? QStringLiteral("快递公司 = ?, ") : QString(), typedAssignments())));
    q.addBindValue(nonNull(waybill.number));
    if (changeCarrier)
        q.addBindValue(nonNull(waybill.carrier));
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        q.addBindValue(nonNull(WaybillColumns::value(waybill, WaybillColumns::kTyped[i])));
    q.addBindValue(nonNull(oldNumber));
    return exec(q);
}

Outcome WaybillStore::deleteWaybill(const QString &number)
{
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("DELETE FROM 快递单 WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(number));
    return exec(q);
}

Outcome WaybillStore::markSignedFor(const QString &number)
{
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("UPDATE 快递单 SET 状态 = ? WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(kSignedFor));
    q.addBindValue(nonNull(number));
    return exec(q);
}

QStringList WaybillStore::searchableColumns()
{
    return {QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("状态"), QStringLiteral("物品"),
            QStringLiteral("姓名"),     QStringLiteral("时间"),     QStringLiteral("备注")};
}

QVector<Waybill> WaybillStore::search(const QString &column, const QString &key, Outcome *outcome,
                                      const KeepGoing &keepGoing) const
{
    // The column is spliced into the statement, so only known names pass.
    if (!searchableColumns().contains(column)) {
        report(outcome, Outcome::failure(QStringLiteral("不能按“%1”查找。").arg(column)));
        return {};
    }
    // SQLite's LIKE reads its pattern up to the first NUL, so such a key would
    // match every row; no stored value holds one.
    if (key.contains(QChar(0))) {
        report(outcome, Outcome::success());
        return {};
    }
    if (column == WaybillColumns::name(WaybillColumns::Number))
        return searchNumbers(key, outcome, keepGoing);
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(kSelectAll + QStringLiteral(" WHERE %1 LIKE '%' || %2 || '%' ORDER BY rowid").arg(column, kText));
    q.addBindValue(nonNull(key));
    return readRows(q, outcome, keepGoing);
}

Outcome WaybillStore::storeDaysInTransit(const QVector<DaysUpdate> &updates)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        return failure(QStringLiteral("无法开始事务"), db.lastError().text());
    QSqlQuery q(db);
    q.prepare(withText(
        QStringLiteral("UPDATE 快递单 SET 在途时间 = ? WHERE 快递单号 = ? AND 时间 IS ? AND 在途时间 IS NOT ?")));
    for (const DaysUpdate &update : updates) {
        q.bindValue(0, nonNull(update.days));
        q.bindValue(1, nonNull(update.number));
        q.bindValue(2, bindable(update.time));
        q.bindValue(3, nonNull(update.days));
        if (Outcome r = exec(q); !r) {
            db.rollback();
            return r;
        }
    }
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        return failure(QStringLiteral("无法保存在途时间"), reason);
    }
    return Outcome::success();
}

Outcome WaybillStore::clearTemp()
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("DELETE FROM Temp"));
    return exec(q);
}

Outcome WaybillStore::insertTemp(const QString &number, const QString &carrier)
{
    if (characterCount(number) > 255 || characterCount(carrier) > 255)
        return Outcome::failure(QStringLiteral("快递单号或快递公司太长：最多 255 个字符。"));
    if (Outcome ok = checkCharacters(QStringLiteral("快递单号"), number); !ok)
        return ok;
    if (Outcome ok = checkCharacters(QStringLiteral("快递公司"), carrier); !ok)
        return ok;
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("INSERT INTO Temp VALUES (?, ?)")));
    q.addBindValue(nonNull(number));
    q.addBindValue(nonNull(carrier));
    return exec(q);
}

QVector<QPair<QString, QString>> WaybillStore::tempRows(Outcome *outcome) const
{
    QVector<QPair<QString, QString>> rows;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 快递单号, 快递公司 FROM Temp ORDER BY rowid"));
    const Outcome result = exec(q);
    report(outcome, result);
    while (result && q.next())
        rows.push_back({q.value(0).toString(), q.value(1).toString()});
    return rows;
}

// One row through the SQLite statement; empty text on success, else the reason.
QString WaybillStore::insertDirect(sqlite3 *handle, sqlite3_stmt *insert, const RowValues &row,
                                   QByteArray &buffer) const
{
    // The whole row is encoded into one buffer that SQLite reads in place:
    // no allocation per value.
    qsizetype needed = 0;
    for (QStringView value : row)
        needed += value.size() * 3;
    if (buffer.size() < needed)
        buffer.resize(needed);
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    char *out = buffer.data();
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        if (row[c].isNull()) {
            sqlite3_bind_null(insert, c + 1);
            continue;
        }
        char *end = utf8.appendToBuffer(out, row[c]);
        sqlite3_bind_text(insert, c + 1, out, int(end - out), SQLITE_STATIC);
        out = end;
    }
    const int stepped = sqlite3_step(insert);
    const QString message = stepped == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
    return stepped == SQLITE_DONE ? QString() : statementFailure(message).error;
}

namespace {
class WaybillRows final : public ImportRows {
public:
    explicit WaybillRows(const QVector<Waybill> &rows) : m_rows(rows) {}
    int count() const override { return int(m_rows.size()); }
    QStringView field(int row, int typed) const override
    {
        return WaybillColumns::value(m_rows[row], WaybillColumns::kTyped[typed]);
    }

private:
    const QVector<Waybill> &m_rows;
};
} // namespace

QVector<QString> WaybillStore::importWaybills(const QVector<Waybill> &rows, Outcome *outcome,
                                              const std::function<bool(int, int)> &progress)
{
    return importWaybills(WaybillRows(rows), outcome, progress);
}

QVector<QString> WaybillStore::importWaybills(const ImportRows &rows, Outcome *outcome,
                                              const std::function<bool(int, int)> &progress)
{
    const int total = rows.count();
    QVector<QString> reasons(total);
    QSqlDatabase db = database();
    QSqlQuery control(db);
    // The write lock is taken once, up front: with another program holding
    // the register that is one wait, not one for every row.
    if (!control.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        report(outcome, isBusy(control.lastError())
                            ? Outcome::failure(QStringLiteral("数据库正被其他程序使用，请稍后再试。"))
                            : failure(QStringLiteral("无法开始事务"), control.lastError().text()));
        return reasons;
    }
    // Straight to SQLite: a hundred thousand rows through QSqlQuery cost twice
    // as long as the rows themselves. Text goes in as UTF-8, exactly as typed.
    sqlite3 *handle = nullptr;
    if (const QVariant h = db.driver()->handle(); h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        handle = *static_cast<sqlite3 *const *>(h.constData());
    sqlite3_stmt *insert = nullptr;
    if (!handle || sqlite3_prepare_v2(handle, "INSERT INTO 快递单 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1,
                                      &insert, nullptr) != SQLITE_OK) {
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, failure(QStringLiteral("无法开始导入"), handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                                                                       : QStringLiteral("no SQLite handle")));
        return reasons;
    }
    const auto finalize = qScopeGuard([insert] { sqlite3_finalize(insert); });
    Outcome read;
    const QSet<QString> oddStored = oddNumbersInNormalForm(&read);
    if (!read) {
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, read);
        return reasons;
    }
    QString normal;
    constexpr int kProgressEvery = 1000;
    QByteArray buffer;
    RowValues row;
    row[WaybillColumns::Status] = kNotSignedFor;
    for (int i = 0; i < total; ++i) {
        if (progress && i % kProgressEvery == 0 && !progress(i, total)) {
            control.exec(QStringLiteral("ROLLBACK"));
            report(outcome, Outcome::failure(QStringLiteral("导入已取消，没有导入任何快递单。")));
            return QVector<QString>(total);
        }
        for (int t = 0; t < WaybillColumns::kTypedCount; ++t)
            row[WaybillColumns::kTyped[t]] = rows.field(i, t);
        if (!WaybillNumber::isNormalForm(row[WaybillColumns::Number]))
            row[WaybillColumns::Number] = normal = WaybillNumber::normalForm(row[WaybillColumns::Number]);
        if (row[WaybillColumns::Number].isEmpty()) {
            reasons[i] = QStringLiteral("快递单号为空");
            continue;
        }
        if (row[WaybillColumns::Carrier].isNull())
            row[WaybillColumns::Carrier] = u"";
        Outcome valid = Outcome::success();
        for (int c = 0; c < WaybillColumns::Count && valid; ++c)
            valid = validateValue(c, row[c]);
        if (!valid) {
            reasons[i] = valid.error;
            continue;
        }
        if (!oddStored.isEmpty() && oddStored.contains(row[WaybillColumns::Number].toString())) {
            reasons[i] = QStringLiteral("快递单号已存在！");
            continue;
        }
        reasons[i] = insertDirect(handle, insert, row, buffer);
    }
    if (!control.exec(QStringLiteral("COMMIT"))) {
        const QString reason = control.lastError().text();
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, failure(QStringLiteral("导入未能保存"), reason));
        return reasons;
    }
    if (progress)
        progress(total, total);
    report(outcome, Outcome::success());
    return reasons;
}
