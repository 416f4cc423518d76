#include "transfer/ImportReader.h"

#include <QHash>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cmath>

namespace {

enum class CellFormat { Number, Date, Time };

bool readEntry(QuaZip &zip, const QString &name, QByteArray *out)
{
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive))
        return false;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *out = file.readAll();
    file.close();
    return true;
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
            strings << current;
            inItem = false;
        }
    }
    return strings;
}

CellFormat builtinFormat(int id)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
        (id >= 50 && id <= 58))
        return CellFormat::Date;
    if ((id >= 18 && id <= 21) || id == 32 || id == 33 || (id >= 45 && id <= 47))
        return CellFormat::Time;
    return CellFormat::Number;
}

CellFormat customFormat(const QString &code)
{
    // Quoted literals, [colour] or [$locale] sections and escaped characters
    // are no date parts.
    QString bare;
    bool quoted = false;
    bool bracket = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('['))
            bracket = true;
        else if (c == QLatin1Char(']'))
            bracket = false;
        else if (bracket)
            continue;
        else if (c == QLatin1Char('\\'))
            ++i;
        else
            bare += c.toLower();
    }
    if (bare.contains(QLatin1Char('y')) || bare.contains(QLatin1Char('d')))
        return CellFormat::Date;
    if (bare.contains(QLatin1Char('h')) || bare.contains(QLatin1Char('s')))
        return CellFormat::Time;
    return CellFormat::Number;
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
                              customFormat(reader.attributes().value(QLatin1String("formatCode")).toString()));
            } else if (reader.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && reader.name() == QLatin1String("xf")) {
                const int id = reader.attributes().value(QLatin1String("numFmtId")).toInt();
                formats << custom.value(id, builtinFormat(id));
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

// "BC12" gives the 0-based column 54.
int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (!c.isLetter())
            break;
        column = column * 26 + (c.toUpper().unicode() - 'A' + 1);
    }
    return column - 1;
}

struct SheetContext {
    QStringList strings;
    QVector<CellFormat> formats;
    QDate epoch;
};

QString valueText(const SheetContext &context, const QString &type, int style, const QString &value)
{
    if (type == QLatin1String("s")) {
        const int index = value.toInt();
        return index >= 0 && index < context.strings.size() ? context.strings.at(index) : QString();
    }
    if (type == QLatin1String("str") || type == QLatin1String("inlineStr") || type == QLatin1String("e"))
        return value;
    if (type == QLatin1String("b"))
        return value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    const CellFormat format =
        style >= 0 && style < context.formats.size() ? context.formats.at(style) : CellFormat::Number;
    if (format == CellFormat::Number)
        return ImportReader::numberText(number);
    const double whole = std::floor(number);
    const int seconds = int(std::lround((number - whole) * 86400.0));
    const QDateTime at = QDateTime(context.epoch.addDays(qint64(whole)), QTime(0, 0)).addSecs(seconds);
    return format == CellFormat::Date ? ImportReader::dateTimeText(at) : ImportReader::timeText(at.time());
}

void readCells(QXmlStreamReader &reader, const SheetContext &context, SheetData *sheet)
{
    int row = 0;
    int column = -1;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("row")) {
            const auto r = reader.attributes().value(QLatin1String("r"));
            row = r.isEmpty() ? row + 1 : r.toInt();
            column = -1;
        } else if (reader.name() == QLatin1String("c")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            const auto reference = attributes.value(QLatin1String("r"));
            column = reference.isEmpty() ? column + 1 : columnOf(reference);
            const QString type = attributes.value(QLatin1String("t")).toString();
            const auto style = attributes.value(QLatin1String("s"));
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
            if (!hasValue || column < 0)
                continue;
            sheet->columns = std::max(sheet->columns, column + 1);
            if (column >= ImportBatch::kFields)
                continue;
            auto it = sheet->rows.find(row);
            if (it == sheet->rows.end())
                it = sheet->rows.insert(row, QStringList(ImportBatch::kFields, QString()));
            (*it)[column] = valueText(context, type, style.isEmpty() ? -1 : style.toInt(), value);
        }
    }
}

} // namespace

namespace XlsxSheet {

Outcome read(const QString &path, SheetData *sheet)
{
    const Outcome unreadable = Outcome::failure(QStringLiteral("无法读取 Excel 文件 %1。").arg(path));
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return unreadable;
    QByteArray workbook, relations, strings, styles, data;
    if (!readEntry(zip, QStringLiteral("xl/workbook.xml"), &workbook) ||
        !readEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), &relations))
        return unreadable;
    QString sheetPath;
    bool from1904 = false;
    if (!findSheet(workbook, relations, &sheetPath, &from1904))
        return Outcome::failure(QStringLiteral("Excel 文件 %1 中没有名为 sheet1 的工作表。").arg(path));
    if (!readEntry(zip, sheetPath, &data))
        return unreadable;
    SheetContext context;
    if (readEntry(zip, QStringLiteral("xl/sharedStrings.xml"), &strings))
        context.strings = sharedStrings(strings);
    if (readEntry(zip, QStringLiteral("xl/styles.xml"), &styles))
        context.formats = cellFormats(styles);
    // Day 0 of the 1900 system is 1899-12-30 for every date after February 1900.
    context.epoch = from1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);

    QXmlStreamReader reader(data);
    readCells(reader, context, sheet);
    if (reader.hasError())
        return Outcome::failure(QStringLiteral("Excel 文件 %1 已损坏：%2").arg(path, reader.errorString()));
    return Outcome::success();
}

} // namespace XlsxSheet
