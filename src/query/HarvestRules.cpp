#include "query/HarvestRules.h"

#include <QDateTime>
#include <QRegularExpression>

#include <functional>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

struct Markers {
    std::function<bool(const QString &)> isStart;
    std::function<bool(const QString &)> isEnd;
};

std::function<bool(const QString &)> equalTo(const QString &text)
{
    return [text](const QString &line) { return line == text; };
}

std::function<bool(const QString &)> containing(const QString &text)
{
    return [text](const QString &line) { return line.contains(text); };
}

Markers markersFor(DataSource source)
{
    switch (source) {
    case DataSource::Default:
        return {equalTo(QStringLiteral("更多查询记录>>")), equalTo(QStringLiteral("转发查询结果>>"))};
    case DataSource::Backup1:
        return {equalTo(QStringLiteral("查询结果")), containing(QStringLiteral("简介"))};
    case DataSource::Backup2:
        return {containing(QStringLiteral("查询结果")), equalTo(QStringLiteral("指定单号不存在。 操作建议："))};
    case DataSource::None:
        break;
    }
    return {};
}

QString asterisks()
{
    return QString(59, QLatin1Char('*'));
}

} // namespace

PageIds PageIdsFor(DataSource source)
{
    switch (source) {
    case DataSource::Default:
        return {QStringLiteral("postid"), QStringLiteral("query")};
    case DataSource::Backup2:
        return {QStringLiteral("ExpressNo"), QStringLiteral("enter")};
    case DataSource::Backup1:
    case DataSource::None:
        break;
    }
    return {QStringLiteral("ExpressNo"), QStringLiteral("Enter")};
}

QStringList SplitPageText(const QString &innerText)
{
    if (innerText.isEmpty())
        return {};
    QStringList lines = innerText.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

QStringList HarvestLines(const QStringList &lines, DataSource source)
{
    if (source == DataSource::None)
        return {};
    const Markers markers = markersFor(source);
    // Both markers are the LAST matching line; a missing one counts as line 0.
    qsizetype start = 0;
    qsizetype end = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (markers.isStart(lines[i]))
            start = i;
        if (markers.isEnd(lines[i]))
            end = i;
    }
    if (end <= start + 1)
        return {};
    return lines.mid(start + 1, end - start - 1);
}

QString HarvestedText(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + kCrLf;
    return text;
}

namespace {
// The time a record line begins with ("2024-03-03 14:20:09", "2024/3/3 14:20"),
// invalid when it begins with none.
QDateTime lineTime(const QString &line)
{
    static const QRegularExpression stamp(
        QStringLiteral("^\\s*(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?"));
    const QRegularExpressionMatch m = stamp.match(line);
    if (!m.hasMatch())
        return {};
    return QDateTime(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                     QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
}
} // namespace

QString LatestHarvestedState(const QStringList &lines)
{
    // Pages list a record oldest first or newest first: the newest is the
    // latest dated line; a record without dates ends with it.
    QString last, latest;
    QDateTime latestAt;
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.isEmpty())
            continue;
        last = text;
        const QDateTime at = lineTime(text);
        if (at.isValid() && (!latestAt.isValid() || at > latestAt)) {
            latest = text;
            latestAt = at;
        }
    }
    return latestAt.isValid() ? latest : last;
}

QString DetailHeader(const QString &number, const QString &carrier)
{
    return QStringLiteral("当前快递单信息") + kCrLf + asterisks() + kCrLf + QStringLiteral("快递单号： ") + number +
           QStringLiteral("\t\t") + QStringLiteral("快递公司： ") + carrier + kCrLf + asterisks() + kCrLf;
}

QString WaybillLine(const QString &number, const QString &carrier)
{
    return QStringLiteral("当前快递单号： ") + number + QStringLiteral("\t\t") + QStringLiteral("快递公司： ") +
           carrier + kCrLf;
}

bool FoundNothing(const QString &resultText, const QString &number, const QString &carrier)
{
    return resultText == DetailHeader(number, carrier) + kCrLf;
}
