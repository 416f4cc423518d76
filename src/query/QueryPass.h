#pragma once

#include "carriers/CarrierDetector.h"
#include "store/StateHistory.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

#include <optional>

// What the main window's passes decide, without a window: under which carrier
// each line of a typed batch is asked, and the answers that a waybill saved
// afterwards takes with it.
namespace QueryPass {

using Rows = QVector<QPair<QString, QString>>; // number, carrier

// A typed batch against the carrier the user chose on the window (none when
// the window's carrier was not chosen by hand). A line never runs silently
// under a carrier other than the one it shows: lines without a carrier of
// their own take the chosen one, and where lines show another carrier the
// user is asked which to use.
struct BatchRun {
    Rows ownCarriers;   // each line under its own carrier, the rest under the chosen one
    Rows chosenCarrier; // every line not naming its carrier under the chosen one (empty without one)
    QVector<CarrierDetection::BatchLine> differing;  // lines whose own carrier is not the chosen one
    QVector<CarrierDetection::BatchLine> unresolved; // lines with no carrier to run with
    int repeated = 0;
};
// `own` is the batch read without a carrier for all, `underChosen` with the
// chosen one: the lines that can take it, and those that name their own.
BatchRun resolveBatch(const CarrierDetection::BatchPlan &own, const CarrierDetection::BatchPlan &underChosen,
                      const Carrier *chosen);

// The batch text read both ways, against the register's carriers.
BatchRun readBatch(const QString &text, const CarrierDetection::RegisterIndex &index, const Carrier *chosen);

// The lines that cannot run, ten at most, and the repeats; empty when none.
QString unresolvedText(const BatchRun &run);

// The question when lines differ: yes runs each line under its own carrier.
QString differingQuestion(const BatchRun &run, const Carrier &chosen);

// The last answer a pass gave for each number, so that a waybill saved right
// after its query is stored with it.
class LastAnswers {
public:
    void remember(const StateCheck &check) { m_checks.insert(check.number, check); }
    // A new pass: what an earlier one said is no longer "just shown", and a
    // pass over the whole register does not pile up.
    void clear() { m_checks.clear(); }
    std::optional<StateCheck> take(const QString &number);

private:
    QHash<QString, StateCheck> m_checks;
};

} // namespace QueryPass
