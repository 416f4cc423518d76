#pragma once

#include "carriers/CarrierDetector.h"

#include <QString>

// Which carrier the number typed in 单号 gets, and what the line under it
// says. A carrier the user chose stays; one chosen in code (a history pick,
// the start-up default) gives way only to a sure detection; an automatic
// choice is undone by the user or by a number that no longer points to it.
// It decides only: the window turns the carrier controls and shows the line.
class TypedCarrierChoice final {
public:
    struct Step {
        bool forget = false;             // undo the automatic choice before the rest
        const Carrier *choose = nullptr; // the carrier to turn on
        QString hint;                    // rich text of the line; empty: hidden
    };

    // Blanks, labels and dashes pasted with the number leave the box: the
    // number the box should hold instead, or empty when it holds it already.
    static QString rewriteOf(const QString &typed);
    // The box now holds `typed`; `shownCarrier` is the carrier the window is on.
    Step typed(const QString &typed, const QString &shownCarrier, const CarrierDetection::RegisterIndex *known);
    // 撤销: the automatic choice goes, and this number gets none again.
    void undo(const QString &typed);
    // The user chose a carrier (a control, or a link of the line).
    void userChose();
    // A data source was chosen: the carrier is cleared and the line with it.
    void carrierCleared();
    // The carrier offered as link `index`, or nullptr.
    const Carrier *offered(int index) const;

    bool chosenByUser() const { return m_chosenByUser; }
    bool autoChosen() const { return m_autoChosen != nullptr; }
    bool offersAny() const { return !m_offered.candidates.isEmpty(); }

private:
    bool m_chosenByUser = false; // never overwritten by a detection
    QString m_undoneFor;         // the number whose automatic choice was undone
    const Carrier *m_autoChosen = nullptr;
    CarrierDetection::Result m_offered;
};
