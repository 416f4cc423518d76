#pragma once

#include "store/StateHistory.h"

#include <QString>
#include <QStringList>

#include <optional>

class StoreConnection;

// What one query pass writes to the register (the signed-for mark and the
// history, together) and what it could not write, so that the end of the pass
// says so instead of "查询完成" alone.
class PassMarks final {
public:
    // Forgets the previous pass.
    void startPass();

    // Records one check; nothing when it failed, which is counted for the end
    // of the pass. Once the register was found locked, later checks of the
    // pass are not tried: each would wait again.
    std::optional<CheckEffect> record(StoreConnection &store, const StateCheck &check);

    int failures() const { return int(m_failed.size()); }
    // The text at the end of a pass: `finished` alone, or followed by what
    // could not be saved and why.
    QString endOfPass(const QString &finished) const;
    // Put after a row's state when its check was not saved; the reason is in
    // the end of the pass.
    static QString rowNote();

private:
    QStringList m_failed;
    QString m_reason; // for the end of the pass: the lock, else the first failure
    bool m_locked = false;
};
