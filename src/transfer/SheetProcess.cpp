#include "transfer/SheetProcess.h"

#include "transfer/ImportReader.h"
#include "transfer/SheetLimits.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

const QByteArray kMagic("TOLVANE-SHEET\x01", 14);
const QByteArray kEnd("END");
constexpr int kMaxRow = 1048576;

enum class Kind { Xls, Xlsx, Other };

Kind kindOf(const QString &path, Outcome *opened)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *opened = Outcome::failure(QStringLiteral("无法打开文件 %1。请检查它是否存在、能否读取，然后再试。").arg(path));
        return Kind::Other;
    }
    const QByteArray magic = file.read(4);
    if (magic == QByteArray("PK\x03\x04", 4))
        return Kind::Xlsx;
    if (magic == QByteArray("\xD0\xCF\x11\xE0", 4))
        return Kind::Xls;
    *opened = Outcome::failure(QStringLiteral("%1 不是 Excel 工作簿（.xls 或 .xlsx）。").arg(path));
    return Kind::Other;
}

void putInt(QByteArray &out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void putText(QByteArray &out, const QString &text)
{
    if (text.isNull()) {
        putInt(out, -1);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    putInt(out, qint32(utf8.size()));
    out.append(utf8);
}

class Cursor final {
public:
    explicit Cursor(const QByteArray &bytes) : m_bytes(bytes) {}

    bool take(qint32 *value)
    {
        if (remaining() < 4)
            return false;
        *value = qFromLittleEndian<qint32>(m_bytes.constData() + m_at);
        m_at += 4;
        return true;
    }
    bool take(QString *text)
    {
        qint32 size = 0;
        if (!take(&size) || size < -1 || size > remaining())
            return false;
        *text = size < 0 ? QString() : QString::fromUtf8(m_bytes.constData() + m_at, size);
        if (size == 0)
            *text = QStringLiteral("");
        m_at += size < 0 ? 0 : size;
        return true;
    }
    bool takeExactly(const QByteArray &expected)
    {
        if (remaining() < expected.size() ||
            std::memcmp(m_bytes.constData() + m_at, expected.constData(), size_t(expected.size())) != 0)
            return false;
        m_at += expected.size();
        return true;
    }
    qint64 remaining() const { return m_bytes.size() - m_at; }

private:
    const QByteArray &m_bytes;
    qint64 m_at = 0;
};

QString helperPath()
{
    QString name = QString::fromLatin1(SheetProcess::kHelperName);
#ifdef Q_OS_WIN
    name += QStringLiteral(".exe");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

Outcome unreadable(const QString &why)
{
    return Outcome::failure(QStringLiteral("文件无法读取：%1").arg(why));
}

} // namespace

namespace SheetProcess {

Outcome readHere(const QString &path, SheetData *sheet)
{
    Outcome opened;
    switch (kindOf(path, &opened)) {
    case Kind::Xls:
        return XlsSheet::read(path, sheet);
    case Kind::Xlsx:
        return XlsxSheet::read(path, sheet);
    case Kind::Other:
        break;
    }
    return opened;
}

QByteArray encode(const Outcome &read, const SheetData &sheet)
{
    QByteArray out = kMagic;
    if (!read) {
        out.append('E');
        putText(out, read.error);
    } else {
        out.append('R');
        putInt(out, sheet.columns);
        putInt(out, qint32(sheet.rows.size()));
        for (auto it = sheet.rows.constBegin(); it != sheet.rows.constEnd(); ++it) {
            putInt(out, it.key());
            for (int i = 0; i < ImportBatch::kFields; ++i)
                putText(out, i < it.value().size() ? it.value().at(i) : QString());
        }
    }
    return out + kEnd;
}

bool decode(const QByteArray &bytes, Outcome *read, SheetData *sheet)
{
    Cursor in(bytes);
    if (!in.takeExactly(kMagic))
        return false;
    SheetData taken;
    if (in.takeExactly(QByteArrayLiteral("E"))) {
        QString error;
        if (!in.take(&error) || error.isEmpty())
            return false;
        *read = Outcome::failure(error);
    } else if (in.takeExactly(QByteArrayLiteral("R"))) {
        qint32 count = 0;
        if (!in.take(&taken.columns) || taken.columns < 0 || !in.take(&count) || count < 0 ||
            count > in.remaining() / (qint64(4) * (1 + ImportBatch::kFields)))
            return false;
        int previous = 0;
        for (qint32 r = 0; r < count; ++r) {
            qint32 row = 0;
            if (!in.take(&row) || row <= previous || row > kMaxRow)
                return false;
            previous = row;
            QStringList cells;
            for (int i = 0; i < ImportBatch::kFields; ++i) {
                QString cell;
                if (!in.take(&cell))
                    return false;
                cells << cell;
            }
            taken.rows.insert(row, cells);
        }
        *read = Outcome::success();
    } else {
        return false;
    }
    if (!in.takeExactly(kEnd) || in.remaining() != 0)
        return false;
    *sheet = std::move(taken);
    return true;
}

Outcome read(const QString &path, SheetData *sheet)
{
    Outcome opened;
    if (kindOf(path, &opened) == Kind::Other)
        return opened;
    const QString helper = helperPath();
    if (!QFileInfo(helper).isExecutable())
        return unreadable(QStringLiteral("找不到读取程序 %1。").arg(QDir::toNativeSeparators(helper)));

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([] {
        // Runs between fork and exec: only plain system calls here.
        const rlimit cpu{kTimeLimitMs / 1000, kTimeLimitMs / 1000 + 1};
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
#if !defined(__SANITIZE_ADDRESS__) && !defined(TOLVANE_ASAN)
        // The sanitizer reserves terabytes of address space up front.
        const rlimit memory{rlim_t(2) << 30, rlim_t(2) << 30};
        setrlimit(RLIMIT_AS, &memory);
#endif
    });
#endif
    process.start(helper, {path});
    if (!process.waitForStarted())
        return unreadable(
            QStringLiteral("无法启动读取程序 %1。请重新安装本程序后再试。").arg(QDir::toNativeSeparators(helper)));
    // The answer is taken as it comes and bounded before it is all in memory.
    const QDeadlineTimer deadline(kTimeLimitMs);
    bool tooLarge = false;
    for (;;) {
        if ((tooLarge = process.bytesAvailable() > SheetLimits::kMaxAnswerBytes))
            break;
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            break;
        process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    if (process.state() != QProcess::NotRunning || tooLarge) {
        process.kill();
        process.waitForFinished();
        if (tooLarge)
            return unreadable(QStringLiteral("读取的结果超过 %1 MB，过大。请把工作表分成几个较小的文件再导入。")
                                  .arg(SheetLimits::kMaxAnswerBytes >> 20));
        return unreadable(QStringLiteral("读取超过 %1 秒，已停止。").arg(kTimeLimitMs / 1000));
    }
    if (process.exitStatus() == QProcess::CrashExit)
        return unreadable(QStringLiteral("读取时出错，读取程序异常终止。文件可能已损坏。"));
    if (process.exitCode() == kExitOutOfMemory)
        return unreadable(QStringLiteral("读取所需的内存超过限制。文件可能已损坏。"));
    Outcome result;
    SheetData taken;
    if (process.exitCode() != 0 || !decode(process.readAllStandardOutput(), &result, &taken))
        return unreadable(
            QStringLiteral("读取程序的结果无法识别。文件可能已损坏，请在 Excel 中另存为新文件后再导入。"));
    if (result)
        *sheet = std::move(taken);
    return result;
}

} // namespace SheetProcess
