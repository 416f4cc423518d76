// What a notice of signings or time flags says.
#include "app/Notices.h"

#include "query/FlaggedWaybills.h"
#include "store/StateHistory.h"

#include <utility>

namespace {
// A notice names five waybills at most, then 等.
QString firstFew(const QStringList &named)
{
    constexpr int kNamed = 5;
    return named.mid(0, kNamed).join(QStringLiteral("、")) + (named.size() > kNamed ? QStringLiteral("等") : QString());
}
} // namespace

// A signing is announced once: only the check that turned the status into
// signed for reports it, whichever query made it.
QString Notices::noteCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier)
{
    if (effect.newlySigned) {
        m_unannounced.push_back({check.number, carrier, check.state});
        return QString();
    }
    return effect.changed ? QStringLiteral("%1 状态更新：%2").arg(check.number, check.state) : QString();
}

std::optional<Notices::Notice> Notices::takeSignings(bool wanted)
{
    const QVector<Signing> signings = std::exchange(m_unannounced, {});
    if (signings.isEmpty() || !wanted)
        return std::nullopt;
    Notice notice;
    QStringList named;
    for (const Signing &s : signings) {
        notice.numbers << s.number;
        named << QStringLiteral("%1（%2）").arg(s.number, s.carrier);
    }
    const Signing &first = signings.first();
    if (signings.size() == 1) {
        notice.title = QStringLiteral("%1 已签收（%2）").arg(first.number, first.carrier);
        notice.body = first.state;
        notice.shown = notice.title + QStringLiteral("：") + first.state;
    } else {
        notice.title = QStringLiteral("%1 件快递已签收：%2").arg(signings.size()).arg(firstFew(named));
        notice.body = notice.numbers.mid(0, 20).join(QLatin1Char('\n'));
        notice.shown = notice.title;
    }
    return notice;
}

// Flags come on as time passes, not with a check: the refresh remembers
// which it told, so each is announced once, like a signing.
std::optional<Notices::Notice> Notices::flagsCameOn(const QVector<FlaggedWaybill> &fresh) const
{
    if (fresh.isEmpty())
        return std::nullopt;
    Notice notice;
    notice.flags = true;
    QStringList named;
    for (const FlaggedWaybill &f : fresh) {
        notice.numbers << f.number;
        named << QStringLiteral("%1（%2）").arg(f.number, f.flag);
    }
    const FlaggedWaybill &first = fresh.first();
    notice.title = fresh.size() == 1 ? QStringLiteral("%1 %2（%3）").arg(first.number, first.flag, first.carrier)
                                     : QStringLiteral("%1 件快递超时：%2").arg(fresh.size()).arg(firstFew(named));
    notice.body = notice.numbers.mid(0, 20).join(QLatin1Char('\n'));
    notice.shown = notice.title;
    return notice;
}
