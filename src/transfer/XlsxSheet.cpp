#include "transfer/ImportReader.h"
#include "transfer/NumberFormat.h"
#include "transfer/SheetLimits.h"
#include "transfer/XlsxText.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

namespace {

using CellFormat = NumberFormat::Kind;

// Excel's own bounds; a sheet beyond them was not written by a spreadsheet.
constexpr qint64 kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// A part is refused before it is inflated when its directory entry says it is
// bigger than this, and while inflating when the entry lied.
constexpr qint64 kMaxPartSize = 200LL << 20;
constexpr qint64 kMaxCells = 10000000;

enum class Entry { Read, Missing, TooLarge };

Entry readEntry(QuaZip &zip, const QString &name, QByteArray *out)
{
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive))
        return Entry::Missing;
    QuaZipFileInfo64 info;
    if (zip.getCurrentFileInfo(&info) && info.uncompressedSize > quint64(kMaxPartSize))
        return Entry::TooLarge;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return Entry::Missing;
    out->clear();
    char buffer[65536];
    qint64 got;
    while ((got = file.read(buffer, sizeof buffer)) > 0) {
        if (out->size() + got > kMaxPartSize)
            return Entry::TooLarge;
        out->append(buffer, got);
    }
    file.close();
    return got < 0 ? Entry::Missing : Entry::Read;
}

QString tooLarge(const QString &name)
{
    return QStringLiteral("其中的 %1 解压后超过 200 MB，过大").arg(name);
}

QStringList sharedStrings(const QByteArray &xml)
{
    QStringList strings;
    QXmlStreamReader reader(xml);
    QString current;
    bool inItem = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (reader.name() == QLatin1String("rPh")) {
                reader.skipCurrentElement(); // phonetic guide, not part of the text
            } else if (inItem && reader.name() == QLatin1String("t")) {
                current += reader.readElementText();
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("si")) {
            strings << XlsxText::unescape(current);
            inItem = false;
        }
    }
    return strings;
}

QVector<CellFormat> cellFormats(const QByteArray &xml)
{
    QHash<int, CellFormat> custom;
    QVector<CellFormat> formats;
    QXmlStreamReader reader(xml);
    bool inCellXfs = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String("numFmt")) {
                custom.insert(reader.attributes().value(QLatin1String("numFmtId")).toInt(),
                              NumberFormat::custom(reader.attributes().value(QLatin1String("formatCode")).toString()));
            } else if (reader.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && reader.name() == QLatin1String("xf")) {
                const int id = reader.attributes().value(QLatin1String("numFmtId")).toInt();
                formats << custom.value(id, NumberFormat::builtin(id));
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return formats;
}

// The path of the sheet named "sheet1" (any case) inside the package, and
// whether the workbook counts its dates from 1904.
bool findSheet(const QByteArray &workbook, const QByteArray &relations, QString *path, bool *from1904)
{
    QString relationId;
    QXmlStreamReader reader(workbook);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == QLatin1String("workbookPr")) {
            const auto value = attributes.value(QLatin1String("date1904"));
            *from1904 = value == QLatin1String("1") || value == QLatin1String("true");
        } else if (reader.name() == QLatin1String("sheet") && relationId.isEmpty() &&
                   attributes.value(QLatin1String("name")).compare(QLatin1String("sheet1"), Qt::CaseInsensitive) == 0) {
            for (const QXmlStreamAttribute &attribute : attributes)
                if (attribute.name() == QLatin1String("id"))
                    relationId = attribute.value().toString();
        }
    }
    if (relationId.isEmpty())
        return false;
    QXmlStreamReader rels(relations);
    while (!rels.atEnd()) {
        rels.readNext();
        if (rels.isStartElement() && rels.name() == QLatin1String("Relationship") &&
            rels.attributes().value(QLatin1String("Id")) == relationId) {
            const QString target = rels.attributes().value(QLatin1String("Target")).toString();
            *path = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
            return true;
        }
    }
    return false;
}

// "BC12" gives the 0-based column 54 and row 12 (0 when the name has no
// digits). Empty when the name is no cell name Excel could write.
QString parseReference(QStringView reference, int *column, qint64 *row)
{
    qsizetype i = 0;
    int letters = 0;
    for (; i < reference.size() && letters < 4; ++i, ++letters) {
        const char16_t c = QChar::toUpper(reference[i].unicode());
        if (c < u'A' || c > u'Z')
            break;
        *column = letters == 0 ? c - u'A' : (*column + 1) * 26 + (c - u'A');
    }
    if (letters == 0 || letters > 3)
        return QStringLiteral("单元格名称“%1”无效").arg(reference.left(20));
    if (*column >= kMaxColumns)
        return QStringLiteral("列号超出 Excel 的范围（单元格 %1，最多 %2 列）").arg(reference).arg(kMaxColumns);
    *row = 0;
    for (; i < reference.size(); ++i) {
        const char16_t c = reference[i].unicode();
        if (c < u'0' || c > u'9')
            return QStringLiteral("单元格名称“%1”无效").arg(reference.left(20));
        *row = std::min(*row * 10 + (c - u'0'), kMaxRows + 1);
    }
    if (*row == 0)
        return QStringLiteral("单元格名称“%1”无效").arg(reference.left(20));
    if (*row > kMaxRows)
        return QStringLiteral("行号超出 Excel 的范围（单元格 %1，最多 %2 行）").arg(reference.left(20)).arg(kMaxRows);
    return QString();
}

struct SheetContext {
    QStringList strings;
    QVector<CellFormat> formats;
    QDate epoch;
};

QString valueText(const SheetContext &context, const QString &type, int style, const QString &value)
{
    if (type == QLatin1String("s")) {
        bool ok = false;
        const qint64 index = value.toLongLong(&ok);
        return ok && index >= 0 && index < context.strings.size() ? context.strings.at(index) : QString();
    }
    if (type == QLatin1String("str") || type == QLatin1String("inlineStr"))
        return XlsxText::unescape(value);
    if (type == QLatin1String("e"))
        return value;
    if (type == QLatin1String("b"))
        return value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    const CellFormat format =
        style >= 0 && style < context.formats.size() ? context.formats.at(style) : CellFormat::Number;
    return NumberFormat::text(number, format, context.epoch);
}

// Empty, or why the sheet is refused.
QString readCells(QXmlStreamReader &reader, const SheetContext &context, SheetData *sheet)
{
    qint64 row = 0;
    int column = -1;
    qint64 cells = 0;
    SheetLimits::Budget budget;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("row")) {
            const auto r = reader.attributes().value(QLatin1String("r"));
            bool ok = true;
            row = r.isEmpty() ? row + 1 : r.toLongLong(&ok);
            if (!ok || row < 1)
                return QStringLiteral("行号“%1”无效").arg(r.left(20));
            if (row > kMaxRows)
                return QStringLiteral("行号超出 Excel 的范围（第 %1 行，最多 %2 行）").arg(row).arg(kMaxRows);
            column = -1;
        } else if (reader.name() == QLatin1String("c")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            const auto reference = attributes.value(QLatin1String("r"));
            qint64 cellRow = row;
            if (reference.isEmpty()) {
                if (++column >= kMaxColumns)
                    return QStringLiteral("列号超出 Excel 的范围（第 %1 行，最多 %2 列）").arg(row).arg(kMaxColumns);
            } else if (QString bad = parseReference(reference, &column, &cellRow); !bad.isEmpty()) {
                return bad;
            }
            if (cellRow < 1)
                return QStringLiteral("单元格不在任何行中");
            const QString type = attributes.value(QLatin1String("t")).toString();
            bool styled = false;
            const int style = attributes.value(QLatin1String("s")).toInt(&styled);
            QString value;
            bool hasValue = false;
            while (!reader.atEnd() && !(reader.isEndElement() && reader.name() == QLatin1String("c"))) {
                reader.readNext();
                if (reader.isStartElement() &&
                    (reader.name() == QLatin1String("v") || reader.name() == QLatin1String("t"))) {
                    value += reader.readElementText();
                    hasValue = true;
                }
            }
            if (!hasValue)
                continue;
            if (++cells > kMaxCells)
                return QStringLiteral("单元格超过 %1 个").arg(kMaxCells);
            sheet->columns = std::max(sheet->columns, column + 1);
            if (column >= ImportBatch::kFields)
                continue;
            QString text = valueText(context, type, styled ? style : -1, value);
            if (QString bad = budget.take(text.size(), column, cellRow); !bad.isEmpty())
                return bad;
            auto it = sheet->rows.find(int(cellRow));
            if (it == sheet->rows.end())
                it = sheet->rows.insert(int(cellRow), QStringList(ImportBatch::kFields, QString()));
            (*it)[column] = std::move(text);
        }
    }
    return QString();
}

} // namespace

namespace XlsxSheet {

Outcome read(const QString &path, SheetData *sheet)
{
    QFile file(path);
    return read(&file, path, sheet);
}

Outcome read(QIODevice *device, const QString &path, SheetData *sheet)
{
    Outcome unreadable = Outcome::failure(QStringLiteral("无法读取 Excel 文件 %1。").arg(path));
    auto refused = [&path](const QString &why) {
        return Outcome::failure(QStringLiteral("Excel 文件 %1 无法导入：%2。").arg(path, why));
    };
    QuaZip zip(device);
    if (!zip.open(QuaZip::mdUnzip))
        return unreadable;
    QByteArray workbook, relations, strings, styles, data;
    for (const auto &[name, out] : {std::pair{QStringLiteral("xl/workbook.xml"), &workbook},
                                    std::pair{QStringLiteral("xl/_rels/workbook.xml.rels"), &relations}}) {
        const Entry entry = readEntry(zip, name, out);
        if (entry == Entry::TooLarge)
            return refused(tooLarge(name));
        if (entry == Entry::Missing)
            return unreadable;
    }
    QString sheetPath;
    bool from1904 = false;
    if (!findSheet(workbook, relations, &sheetPath, &from1904))
        return Outcome::failure(QStringLiteral("Excel 文件 %1 中没有名为 sheet1 的工作表。").arg(path));
    SheetContext context;
    for (const auto &[name, out] :
         {std::pair{sheetPath, &data}, std::pair{QStringLiteral("xl/sharedStrings.xml"), &strings},
          std::pair{QStringLiteral("xl/styles.xml"), &styles}}) {
        const Entry entry = readEntry(zip, name, out);
        if (entry == Entry::TooLarge)
            return refused(tooLarge(name));
        if (entry == Entry::Missing && out == &data)
            return unreadable;
    }
    context.strings = sharedStrings(strings);
    context.formats = cellFormats(styles);
    context.epoch = NumberFormat::epoch(from1904);

    QXmlStreamReader reader(data);
    const QString bad = readCells(reader, context, sheet);
    if (!bad.isEmpty()) {
        *sheet = SheetData();
        return refused(bad);
    }
    if (reader.hasError())
        return Outcome::failure(
            QStringLiteral("Excel 文件 %1 已损坏（第 %2 行的内容不完整）。请在 Excel 中打开并另存为新文件后再导入。")
                .arg(path)
                .arg(reader.lineNumber()));
    return Outcome::success();
}

} // namespace XlsxSheet
