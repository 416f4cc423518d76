#include "services/ServiceHealth.h"

void ServiceHealth::recordSuccess(ServiceId id, const QDateTime &when)
{
    SourceHealth &h = m_health[id];
    h.lastSuccess = when;
    h.failuresInRow = 0;
}

void ServiceHealth::recordFailure(ServiceId id, TrackFailure failure, const QString &text, const QDateTime &when)
{
    if (!IsSourceFailure(failure))
        return;
    SourceHealth &h = m_health[id];
    h.lastFailure = when;
    h.lastFailureText = text;
    ++h.failuresInRow;
}

QString ServiceHealth::summary(ServiceId id) const
{
    const SourceHealth h = of(id);
    const QString name = Services::displayName(id);
    const QString format = QStringLiteral("MM-dd HH:mm");
    if (h.failuresInRow > 0)
        return QStringLiteral("%1：连续失败 %2 次（%3 %4）")
            .arg(name)
            .arg(h.failuresInRow)
            .arg(h.lastFailure.toString(format), h.lastFailureText);
    if (h.lastSuccess.isValid())
        return QStringLiteral("%1：正常（%2 成功）").arg(name, h.lastSuccess.toString(format));
    return QStringLiteral("%1：尚未使用").arg(name);
}
