#include "transfer/ExportWriter.h"

#include "core/GbkText.h"
#include "core/SaveWhole.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>

namespace ExportWriter {

namespace {
// Appends one export line in the file's bytes; true when all of it fits GBK.
bool appendLine(QStringEncoder &encoder, QByteArray &bytes, QString &line, const Waybill &row)
{
    line.clear();
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        line += WaybillColumns::value(row, c);
        line += QLatin1Char(',');
    }
    line += QLatin1String("\r\n");
    const qsizetype start = bytes.size();
    const qsizetype needed = start + encoder.requiredSpace(line.size());
    if (bytes.capacity() < needed)
        bytes.reserve(needed * 2);
    bytes.resize(needed);
    bytes.resize(encoder.appendToBuffer(bytes.data() + start, line) - bytes.constData());
    return GbkText::encodedFitsGbk(QByteArrayView(bytes).sliced(start));
}

// Written on in pieces of about this size.
constexpr qsizetype kBufferBytes = 1 << 20;
} // namespace

QByteArray format(const QVector<Waybill> &rows, int *rowsBeyondGbk)
{
    if (rowsBeyondGbk)
        *rowsBeyondGbk = 0;
    // One encoder over every line: no copy of the whole text in UTF-16.
    QStringEncoder encoder("GB18030");
    QByteArray bytes;
    bytes.reserve(rows.size() * 96);
    QString line;
    for (const Waybill &row : rows)
        if (!appendLine(encoder, bytes, line, row) && rowsBeyondGbk)
            ++*rowsBeyondGbk;
    return bytes;
}

Outcome write(const QString &path, const QVector<Waybill> &rows, int *rowsBeyondGbk)
{
    TextExport file(path);
    for (const Waybill &row : rows)
        if (!file.add(row))
            break;
    Outcome written = file.finish();
    if (rowsBeyondGbk)
        *rowsBeyondGbk = file.rowsBeyondGbk();
    return written;
}

TextExport::TextExport(const QString &path) : m_path(path), m_encoder("GB18030")
{
    m_buffer.reserve(kBufferBytes + 4096);
}

TextExport::~TextExport() = default;

bool TextExport::flush()
{
    if (!m_file)
        m_file = std::make_unique<WholeFileWriter>(m_path);
    const bool ok = m_file->write(m_buffer);
    m_buffer.resize(0); // its room stays for the next piece
    return ok;
}

bool TextExport::add(const Waybill &row)
{
    if (failed())
        return false;
    if (!appendLine(m_encoder, m_buffer, m_line, row))
        ++m_beyondGbk;
    ++m_rows;
    return m_buffer.size() < kBufferBytes || flush();
}

Outcome TextExport::finish()
{
    if (!flush() || !m_file->commit())
        return Outcome::failure(
            QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(m_path), m_file->error()));
    return Outcome::success();
}

QVector<int> workbookColumns()
{
    QVector<int> order;
    for (const WaybillColumns::Column column : WaybillColumns::kTyped)
        order << column;
    order << WaybillColumns::Status << WaybillColumns::DaysInTransit;
    return order;
}

QStringList workbookHeader()
{
    QStringList header;
    for (const int column : workbookColumns())
        header << WaybillColumns::name(column);
    return header;
}

QByteArray encodeRows(const QVector<Waybill> &rows)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint32(rows.size());
    for (const Waybill &row : rows) {
        for (int column = 0; column < WaybillColumns::Count; ++column)
            out << WaybillColumns::value(row, column);
    }
    return bytes;
}

bool decodeRows(const QByteArray &bytes, QVector<Waybill> *rows)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 count = 0;
    in >> count;
    // Each value takes at least its 4-byte length.
    if (in.status() != QDataStream::Ok || count > quint64(bytes.size()) / (quint64(4) * WaybillColumns::Count))
        return false;
    QVector<Waybill> taken(static_cast<qsizetype>(count));
    for (Waybill &row : taken) {
        for (int column = 0; column < WaybillColumns::Count; ++column)
            in >> WaybillColumns::value(row, column);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return false;
    *rows = std::move(taken);
    return true;
}

Outcome writeWorkbook(const QString &path, const QVector<Waybill> &rows)
{
    const auto failed = [&path](const QString &why) {
        return Outcome::failure(QStringLiteral("无法导出到 %1：%2").arg(QDir::toNativeSeparators(path), why));
    };
    QString name = QString::fromLatin1(kWorkbookHelperName);
#ifdef Q_OS_WIN
    name += QStringLiteral(".exe");
#endif
    const QString helper = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (!QFileInfo(helper).isExecutable())
        return failed(QStringLiteral("找不到导出程序 %1。").arg(QDir::toNativeSeparators(helper)));

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(helper, {path});
    if (!process.waitForStarted())
        return failed(
            QStringLiteral("无法启动导出程序 %1。请重新安装本程序后再试。").arg(QDir::toNativeSeparators(helper)));
    process.write(encodeRows(rows));
    process.closeWriteChannel();
    // The caller runs off the window's thread; a register of any size may take its time.
    if (!process.waitForFinished(-1) || process.exitStatus() == QProcess::CrashExit)
        return failed(QStringLiteral("导出程序异常终止，原有文件没有改动。"));
    const QString answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    if (process.exitCode() != 0)
        return Outcome::failure(
            answer.isEmpty() ? QStringLiteral("导出程序出错（退出代码 %1），原有文件没有改动。").arg(process.exitCode())
                             : answer);
    return Outcome::success();
}

} // namespace ExportWriter
