#include "query/QueryPass.h"

#include <algorithm>

namespace QueryPass {

using CarrierDetection::BatchLine;

BatchRun resolveBatch(const CarrierDetection::BatchPlan &own, const CarrierDetection::BatchPlan &underChosen,
                      const Carrier *chosen)
{
    BatchRun run;
    if (!chosen) {
        run.ownCarriers = own.rows;
        run.unresolved = own.needCarrier;
        run.repeated = own.repeated;
        return run;
    }
    run.repeated = underChosen.repeated;
    run.unresolved = underChosen.needCarrier;
    run.chosenCarrier = underChosen.rows;
    QHash<QString, QString> ownCarrier;
    for (const auto &[number, carrier] : own.rows)
        ownCarrier.insert(number, carrier);
    for (const auto &[number, carrier] : underChosen.rows)
        run.ownCarriers.push_back({number, ownCarrier.value(number, carrier)});
    for (const BatchLine &line : own.lines) {
        if (line.isRepeat() || !line.carrier || line.carrier == chosen || line.written)
            continue;
        if (ownCarrier.value(line.number) == line.carrier->name)
            run.differing.push_back(line);
    }
    return run;
}

BatchRun readBatch(const QString &text, const CarrierDetection::RegisterIndex &index, const Carrier *chosen)
{
    using CarrierDetection::planBatch;
    return resolveBatch(planBatch(text, &index),
                        chosen ? planBatch(text, &index, chosen) : CarrierDetection::BatchPlan(), chosen);
}

QString unresolvedText(const BatchRun &run)
{
    if (run.unresolved.isEmpty())
        return QString();
    QStringList listed;
    for (const BatchLine &l : run.unresolved.mid(0, 10))
        listed << QStringLiteral("第 %1 行 %2：%3").arg(l.line).arg(l.number.left(30), l.needText());
    const QString repeated =
        run.repeated > 0 ? QStringLiteral("\n重复 %1 行，每个单号只查询一次。").arg(run.repeated) : QString();
    return QStringLiteral("以下 %1 行无法确定快递公司，请在单号后写上快递公司（如“单号,顺丰速运”）：\n")
               .arg(run.unresolved.size()) +
           listed.join(QLatin1Char('\n')) + (run.unresolved.size() > 10 ? QStringLiteral("\n……") : QString()) +
           repeated;
}

QString differingQuestion(const BatchRun &run, const Carrier &chosen)
{
    QStringList listed;
    for (const BatchLine &line : run.differing.mid(0, 10)) {
        const QString own = line.carrier ? line.carrier->name : QString();
        listed << QStringLiteral("第 %1 行 %2：%3").arg(line.line).arg(line.number.left(30), own);
    }
    return QStringLiteral("以下 %1 行的快递公司与所选的“%2”不同：\n%3%4\n\n"
                          "选“是”：每行按自己的快递公司查询；\n选“否”：全部按“%2”查询。")
        .arg(run.differing.size())
        .arg(chosen.name, listed.join(QLatin1Char('\n')),
             run.differing.size() > listed.size() ? QStringLiteral("\n……") : QString());
}

std::optional<StateCheck> LastAnswers::take(const QString &number)
{
    if (!m_checks.contains(number))
        return std::nullopt;
    return m_checks.take(number);
}

} // namespace QueryPass
