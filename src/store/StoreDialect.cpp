#include "store/StoreDialect.h"

#include "store/Waybill.h"

#include <QByteArray>
#include <QStringDecoder>

QString ServerLocation::display() const
{
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

namespace {

StoreDialect sqlite()
{
    StoreDialect d;
    d.engine = StoreEngine::SQLite;
    d.order = QStringLiteral("rowid");
    // GLOB runs inside SQLite, so the normal form is only worked out for these:
    // a character outside printable ASCII or a lower-case letter (WaybillNumber::isNormalForm).
    d.oddNumber = QStringLiteral("(快递单号 GLOB '*[^!-~]*' OR 快递单号 GLOB '*[a-z]*')");
    d.same = QStringLiteral("IS");
    d.notSame = QStringLiteral("IS NOT");
    d.never = QStringLiteral("0");
    d.contains = QStringLiteral("%1 LIKE '%' || %2 || '%'");
    d.beginWrite = QStringLiteral("BEGIN IMMEDIATE");
    d.later = QStringLiteral("max(%1, %2)");
    d.ourTables = QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('快递单', 'Temp')");
    d.columnsOf = QStringLiteral("SELECT name FROM pragma_table_info('%1')");
    // SQLite takes the bare columns from the row that holds the max().
    d.newestChecks = QStringLiteral("SELECT 快递单号, max(查询时间), 最后查询, 状态, %2 FROM %1 GROUP BY 快递单号");
    d.encoding = QStringLiteral("PRAGMA encoding");
    d.utf8 = QStringLiteral("UTF-8");
    return d;
}

StoreDialect postgres()
{
    StoreDialect d;
    d.engine = StoreEngine::PostgreSQL;
    d.order = QStringLiteral("序号");
    d.orderDefinition = QStringLiteral(", 序号 BIGINT GENERATED ALWAYS AS IDENTITY");
    d.oddNumber = QStringLiteral("(快递单号 ~ '[^!-~]' OR 快递单号 ~ '[a-z]')");
    d.same = QStringLiteral("IS NOT DISTINCT FROM");
    d.notSame = QStringLiteral("IS DISTINCT FROM");
    d.never = QStringLiteral("FALSE");
    // PostgreSQL's LIKE minds case and takes \ as an escape; SQLite's does neither.
    d.contains = QStringLiteral("%1 ILIKE '%' || %2 || '%' ESCAPE ''");
    d.beginWrite = QStringLiteral("BEGIN");
    d.later = QStringLiteral("GREATEST(%1, %2)");
    d.ourTables = QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = "
                                 "current_schema() AND table_name IN ('快递单', 'temp')");
    d.columnsOf = QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_schema = "
                                 "current_schema() AND table_name = '%1' AND column_name <> '序号' "
                                 "ORDER BY ordinal_position");
    d.newestChecks = QStringLiteral("SELECT DISTINCT ON (快递单号) 快递单号, 查询时间, 最后查询, 状态, %2 FROM %1 "
                                    "ORDER BY 快递单号, 查询时间 DESC, 序号 DESC");
    d.encoding = QStringLiteral("SHOW server_encoding");
    d.utf8 = QStringLiteral("UTF8");
    return d;
}

} // namespace

QString StoreDialect::read(const QString &column) const
{
    return engine == StoreEngine::PostgreSQL ? QStringLiteral("convert_to(%1, 'UTF8')").arg(column) : column;
}

QString StoreDialect::text(const QVariant &value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return value.toString();
    if (value.isNull())
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = utf8(value.toByteArray());
    return text.isNull() ? QStringLiteral("") : text;
}

QString StoreDialect::storedName(const QString &table) const
{
    return engine == StoreEngine::PostgreSQL ? table.toLower() : table;
}

QString StoreDialect::keyConstraint(const QString &table) const
{
    return engine == StoreEngine::PostgreSQL ? storedName(table) + QStringLiteral("_pkey")
                                             : QStringLiteral("FirstPrimaryKey");
}

QVariant StoreDialect::boundText(const QVariant &value) const
{
    if (engine == StoreEngine::SQLite || value.typeId() != QMetaType::QByteArray)
        return value;
    if (value.isNull())
        return QVariant(QMetaType::fromType<QString>());
    // QString::fromUtf8 would drop a leading U+FEFF.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return QVariant(QString(utf8(value.toByteArray())));
}

StoreDialect withSelectAll(StoreDialect d)
{
    QStringList columns;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        columns << d.read(WaybillColumns::name(c));
    d.selectAll = QStringLiteral("SELECT %1 FROM 快递单").arg(columns.join(QStringLiteral(", ")));
    return d;
}

const StoreDialect &StoreDialect::of(StoreEngine engine)
{
    static const StoreDialect lite = withSelectAll(sqlite());
    static const StoreDialect server = withSelectAll(postgres());
    return engine == StoreEngine::PostgreSQL ? server : lite;
}
