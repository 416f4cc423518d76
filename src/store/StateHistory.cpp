#include "store/StateHistory.h"

QString StateSource::detailed(const QString &dataSource)
{
    return QStringLiteral("detailed:") + dataSource;
}

QString StateSource::caption(const QString &code)
{
    if (code == kConcise)
        return QStringLiteral("简洁查询");
    if (code == kBackground)
        return QStringLiteral("自动刷新");
    static const QHash<QString, QString> sources{
        {QStringLiteral("mrly"), QStringLiteral("默认来源")},
        {QStringLiteral("byly1"), QStringLiteral("备用来源1")},
        {QStringLiteral("byly2"), QStringLiteral("备用来源2")},
    };
    const QString prefix = QStringLiteral("detailed:");
    if (code.startsWith(prefix)) {
        const QString source = sources.value(code.mid(prefix.size()));
        return source.isEmpty() ? QStringLiteral("详细查询") : QStringLiteral("详细查询（%1）").arg(source);
    }
    return code;
}

QString ShortLocalTime(const QDateTime &at)
{
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

QString DescribeLastCheck(const QDateTime &lastCheck, const QDateTime &now)
{
    if (!lastCheck.isValid())
        return QStringLiteral("从未查询");
    const qint64 seconds = lastCheck.secsTo(now);
    QString ago;
    // A clock set back shows the time without a negative age.
    if (seconds < 60)
        ago = QStringLiteral("刚刚");
    else if (seconds < 3600)
        ago = QStringLiteral("%1 分钟前").arg(seconds / 60);
    else if (seconds < 86400)
        ago = QStringLiteral("%1 小时前").arg(seconds / 3600);
    else
        ago = QStringLiteral("%1 天前").arg(seconds / 86400);
    return ShortLocalTime(lastCheck) + QStringLiteral("，") + ago;
}
