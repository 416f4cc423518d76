#include "FuzzChecks.h"
#include "services/TrackingService.h"

#include "carriers/CarrierCatalogue.h"
#include "query/HarvestRules.h"
#include "services/ConciseQuery.h"
#include "services/WaybillStatus.h"
#include "settings/IniFile.h"
#include "transfer/ImportReader.h"
#include "transfer/SheetProcess.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

QList<QByteArray> linesOf(QByteArray bytes)
{
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += "\r\n";
    return bytes.split('\n');
}

// A write replaces one line or inserts one or two (a section header and the
// key) at one place; every other line stays byte for byte. A last line without
// a line end gets one, so that nothing written can join it.
QString oneEdit(const QList<QByteArray> &before, const QList<QByteArray> &after)
{
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const qsizetype replaced = before.size() - prefix - suffix;
    const qsizetype written = after.size() - prefix - suffix;
    if (replaced > 1 || written > replaced + 2 || written < replaced)
        return QStringLiteral("a write changed %1 lines into %2 after line %3: %4")
            .arg(replaced)
            .arg(written)
            .arg(prefix)
            .arg(QString::fromLatin1(after.mid(prefix, written).join("|").toPercentEncoding()));
    return QString();
}

// What every sheet must look like, and the helper's answer must carry it to
// the program unchanged.
QString checkSheet(const Outcome &read, const SheetData &sheet)
{
    if (!read && read.error.isEmpty())
        return QStringLiteral("refused without a reason");
    if (read) {
        if (sheet.columns < 0 || sheet.columns > 16384)
            return QStringLiteral("columns %1").arg(sheet.columns);
        for (auto it = sheet.rows.constBegin(); it != sheet.rows.constEnd(); ++it)
            if (it.key() < 1 || it.key() > 1048576 || it.value().size() != ImportBatch::kFields)
                return QStringLiteral("row %1 with %2 cells").arg(it.key()).arg(it.value().size());
    }
    Outcome back;
    SheetData sheetBack;
    if (!SheetProcess::decode(SheetProcess::encode(read, sheet), &back, &sheetBack))
        return QStringLiteral("the helper's answer does not decode");
    if (back.ok != read.ok || back.error != read.error)
        return QStringLiteral("the outcome changed on its way");
    if (read && (sheetBack.columns != sheet.columns || sheetBack.rows != sheet.rows))
        return QStringLiteral("the rows changed on their way");
    ImportBatch batch;
    batch.addSheet(sheet);
    return QString();
}

} // namespace

namespace FuzzChecks {

QStringList targets()
{
    return {QStringLiteral("inifile"),      QStringLiteral("textimport"),    QStringLiteral("xlsx"),
            QStringLiteral("xls"),          QStringLiteral("xlsread"),       QStringLiteral("conciseanswer"),
            QStringLiteral("harvestrules"), QStringLiteral("serviceanswers")};
}

QString run(const QString &target, const QByteArray &input)
{
    if (target == QLatin1String("inifile"))
        return iniFile(input);
    if (target == QLatin1String("textimport"))
        return textImport(input);
    if (target == QLatin1String("xlsx"))
        return xlsxSheet(input);
    if (target == QLatin1String("xls"))
        return xlsSheet(input);
    if (target == QLatin1String("xlsread"))
        return xlsRead(input);
    if (target == QLatin1String("conciseanswer"))
        return conciseAnswer(input);
    if (target == QLatin1String("harvestrules"))
        return harvestRules(input);
    if (target == QLatin1String("serviceanswers"))
        return serviceAnswers(input);
    return QStringLiteral("no target %1").arg(target);
}

QString iniFile(const QByteArray &input)
{
    IniFile ini(QString{});
    ini.loadFromBytes(input);
    if (ini.toBytes() != input)
        return QStringLiteral("an unchanged file is not written back as read");
    const struct {
        QString section, key, value;
    } writes[] = {{QStringLiteral("设置"), QStringLiteral("皮肤"), QStringLiteral("默认 1")},
                  {QStringLiteral("Other"), QStringLiteral("Key"), QStringLiteral("v")}};
    for (const auto &write : writes) {
        const QByteArray before = ini.toBytes();
        ini.setValue(write.section, write.key, write.value);
        const QByteArray after = ini.toBytes();
        IniFile reread(QString{});
        reread.loadFromBytes(after);
        if (reread.value(write.section, write.key, QString()) != write.value)
            return QStringLiteral("%1 does not read back").arg(write.key);
        if (const QString changed = oneEdit(linesOf(before), linesOf(after)); !changed.isEmpty())
            return changed;
    }
    return QString();
}

QString textImport(const QByteArray &input)
{
    const ImportBatch batch = ImportReader::parseText(input);
    if (batch.rows().size() != batch.lines().size())
        return QStringLiteral("rows and lines differ");
    int previous = 0;
    for (int line : batch.lines()) {
        if (line <= previous)
            return QStringLiteral("line %1 after %2").arg(line).arg(previous);
        previous = line;
    }
    for (const SkippedLine &skipped : batch.skipped())
        if (skipped.line < 1 || skipped.reason.isEmpty())
            return QStringLiteral("skip without a line or reason");
    for (const Waybill &w : batch.rows())
        for (int i = WaybillColumns::Number; i < WaybillColumns::Number + ImportBatch::kFields; ++i)
            if (w.values().at(i).isNull())
                return QStringLiteral("a text field is null");
    return QString();
}

QString xlsxSheet(const QByteArray &input)
{
    QByteArray bytes = input;
    QBuffer buffer(&bytes);
    SheetData sheet;
    const Outcome read = XlsxSheet::read(&buffer, QStringLiteral("fuzz.xlsx"), &sheet);
    return checkSheet(read, sheet);
}

QString xlsSheet(const QByteArray &input)
{
    // Through the helper process, as the program reads: a crash or a limit
    // there must come back as a message, never take the program with it.
    if (!QCoreApplication::instance())
        return QStringLiteral("the helper is found beside the program: needs an application object");
    const QString path =
        QDir::temp().filePath(QStringLiteral("tolvane-fuzz-%1.xls").arg(QCoreApplication::applicationPid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(input) != input.size())
        return QStringLiteral("cannot write %1").arg(path);
    file.close();
    SheetData sheet;
    const Outcome read = SheetProcess::read(path, &sheet);
    QFile::remove(path);
    if (read.error.contains(QStringLiteral("找不到读取程序")) ||
        read.error.contains(QStringLiteral("无法启动读取程序")))
        return QStringLiteral("the helper did not run: %1").arg(read.error);
    return checkSheet(read, sheet);
}

QString xlsRead(const QByteArray &input)
{
    // In this process, so that the sanitizers see every read of the reader.
    SheetData sheet;
    const Outcome read = XlsSheet::read(input, QStringLiteral("fuzz.xls"), &sheet);
    return checkSheet(read, sheet);
}

QString conciseAnswer(const QByteArray &input)
{
    const QString answer = Utf8ToUnicode(input);
    const QString state = GetLastState(answer);
    const qsizetype more = answer.lastIndexOf(QStringLiteral("更多"));
    if ((more < 0 && !state.isEmpty()) || (more >= 0 && state != answer.left(more)))
        return QStringLiteral("the last state is not the text before the last 更多");
    const bool signedFor = IsSignedFor(state);
    if (signedFor && !state.contains(QStringLiteral("签收")) && !state.contains(QStringLiteral("妥投")))
        return QStringLiteral("signed for without a word of signing");
    return QString();
}

QString harvestRules(const QByteArray &input)
{
    const QString text = QString::fromUtf8(input);
    const QStringList lines = SplitPageText(text);
    for (DataSource source : {DataSource::None, DataSource::Default, DataSource::Backup1, DataSource::Backup2}) {
        const QStringList harvested = HarvestLines(lines, source);
        if (harvested.isEmpty())
            continue;
        if (source == DataSource::None || harvested.size() > lines.size() - 2)
            return QStringLiteral("more lines than between two markers");
        bool inside = false;
        for (qsizetype i = 1; i + harvested.size() <= lines.size() && !inside; ++i)
            inside = lines.mid(i, harvested.size()) == harvested;
        if (!inside)
            return QStringLiteral("harvested lines are not a run of the page");
        if (!HarvestedText(harvested).endsWith(QStringLiteral("\r\n")))
            return QStringLiteral("harvested text without its line end");
    }
    return QString();
}

} // namespace FuzzChecks

// Whatever a service answers, each job of the batch gets exactly one result,
// its own, that is either a status or a failure that says why, never both.
QString FuzzChecks::serviceAnswers(const QByteArray &input)
{
    const QVector<TrackJob> batch{
        {QStringLiteral("YT1000000001"), QStringLiteral("圆通快递"), QString(), QStringLiteral("yuantong")},
        {QStringLiteral("SF1000000002"), QStringLiteral("顺丰速运"), QStringLiteral("8000"),
         QStringLiteral("shunfeng")}};
    HttpAnswer answer;
    answer.status = 200;
    answer.contentType = "application/json;charset=UTF-8";
    answer.body = input;
    for (ServiceId id : {ServiceId::Kuaidi100, ServiceId::Kdniao, ServiceId::Track17}) {
        const std::unique_ptr<TrackingProtocol> protocol = MakeProtocol(id);
        // 快递100 and 快递鸟 ask one number a request.
        const QVector<TrackJob> asked = protocol->limits().batchSize == 1 ? batch.mid(0, 1) : batch;
        for (const QVector<TrackResult> &results :
             {protocol->parse(asked, answer), protocol->parseRegistration(asked, answer)}) {
            if (results.size() != asked.size())
                return QStringLiteral("%1: not one result per job").arg(Services::key(id));
            for (int i = 0; i < results.size(); ++i) {
                const TrackResult &r = results[i];
                if (!r.number.isEmpty() && r.number != asked[i].number)
                    return QStringLiteral("%1: a result under another number").arg(Services::key(id));
                if (!r.ok() && (r.failureText.isEmpty() || !r.status.isEmpty()))
                    return QStringLiteral("%1: a failure without its reason, or with a status").arg(Services::key(id));
                if (r.ok() && !r.failureText.isEmpty())
                    return QStringLiteral("%1: a result with a failure text").arg(Services::key(id));
            }
        }
        const ProbeResult probe = protocol->parseProbe(answer);
        if (probe.text.isEmpty())
            return QStringLiteral("%1: a key check that says nothing").arg(Services::key(id));
    }
    return QString();
}
