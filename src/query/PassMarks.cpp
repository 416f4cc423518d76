#include "query/PassMarks.h"

#include "store/CheckHistory.h"
#include "store/StoreConnection.h"
#include "store/StoreFailure.h"

namespace {
constexpr int kListedNumbers = 5;
} // namespace

void PassMarks::startPass()
{
    m_failed.clear();
    m_reason.clear();
    m_locked = false;
}

std::optional<CheckEffect> PassMarks::record(StoreConnection &store, const StateCheck &check)
{
    Outcome outcome;
    CheckEffect effect;
    if (m_locked) {
        outcome = Outcome::failure(m_reason);
    } else {
        effect = CheckHistory(store).recordCheck(check, &outcome);
        m_locked = !outcome && StoreFailure::isLock(outcome.error);
    }
    if (outcome)
        return effect;
    if (m_reason.isEmpty() || m_locked)
        m_reason = outcome.error;
    m_failed << check.number;
    return std::nullopt;
}

QString PassMarks::endOfPass(const QString &finished) const
{
    if (m_failed.isEmpty())
        return finished;
    QStringList listed = m_failed.mid(0, kListedNumbers);
    if (m_failed.size() > kListedNumbers)
        listed << QStringLiteral("……");
    return QStringLiteral("%1；%2 个快递单的签收状态未能保存：%3。%4")
        .arg(finished)
        .arg(m_failed.size())
        .arg(listed.join(QStringLiteral("、")), m_reason);
}

QString PassMarks::rowNote()
{
    return QStringLiteral("【签收状态未能保存，原因见状态栏】");
}
