#include "transfer/ImportReader.h"

#include "core/GbkText.h"
#include "transfer/SheetProcess.h"

#include <QFile>
#include <QStringDecoder>

#include <cmath>

namespace ImportReader {

QString decodeText(const QByteArray &bytes)
{
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    if (bytes.startsWith(utf8Bom))
        return QString::fromUtf8(bytes.mid(utf8Bom.size()));
    // Windows Notepad's "Unicode"; 0xFF never leads a GBK character, so the
    // marks cannot be mistaken for one.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        return utf16.decode(bytes.mid(2));
    }
    // Today's editors save UTF-8 without a mark; text that is valid UTF-8 is
    // read as such (Chinese GBK text practically never is), the rest as GBK.
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return GbkText::decode(bytes);
}

ImportBatch parseText(const QByteArray &bytes)
{
    ImportBatch batch(decodeText(bytes));
    const QString &text = batch.text();
    // Lines end at CR LF, LF or a CR alone (old Mac editors). A final line
    // break ends the last line; it does not start another.
    int line = 0;
    bool layoutKnown = false;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
            ++end;
        ++line;
        // The first line that says anything tells the program's own export.
        if (!layoutKnown && end > start) {
            batch.setExportLayout(ImportBatch::isExportLine(QStringView(text).sliced(start, end - start)));
            layoutKnown = true;
        }
        if (end == start)
            batch.addEmptyLine(line);
        else
            batch.addTextLine(line, start, end);
        if (end + 1 < size && text.at(end) == QLatin1Char('\r') && text.at(end + 1) == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return batch;
}

Outcome readTextFile(const QString &path, ImportBatch *batch)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(QStringLiteral("无法打开文件 %1。请检查它是否存在、能否读取，然后再试。").arg(path));
    // The whole text is held decoded while it is parsed: about four times its size.
    if (file.size() > kMaxTextFileBytes)
        return Outcome::failure(QStringLiteral("文件 %1 有 %2 MB，超过一次导入最多 %3 MB 的上限。"
                                               "请把它分成几个较小的文件再导入。")
                                    .arg(path)
                                    .arg(file.size() >> 20)
                                    .arg(kMaxTextFileBytes >> 20));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxTextFileBytes)
        return Outcome::failure(QStringLiteral("无法读取文件 %1。请检查磁盘或把文件复制到别处后再试。").arg(path));
    *batch = parseText(bytes);
    return Outcome::success();
}

Outcome readExcelFile(const QString &path, ImportBatch *batch)
{
    SheetData sheet;
    Outcome read = SheetProcess::read(path, &sheet);
    if (!read)
        return read;
    *batch = ImportBatch();
    batch->addSheet(sheet);
    return Outcome::success();
}

QString numberText(double value)
{
    // Telephone and waybill numbers are whole numbers stored as doubles; they
    // must come back digit for digit, not as 1.38e10 or 13800138000.0.
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

QString dateTimeText(const QDateTime &value)
{
    const QDate d = value.date();
    QString date = QStringLiteral("%1/%2/%3").arg(d.year()).arg(d.month()).arg(d.day());
    if (value.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + timeText(value.time());
}

QString timeText(const QTime &value)
{
    return value.toString(QStringLiteral("H:mm:ss"));
}

} // namespace ImportReader
