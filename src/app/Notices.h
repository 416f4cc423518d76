#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

struct CheckEffect;
struct FlaggedWaybill;
struct StateCheck;

// What the queries learned, as the user is told it: a signing is gathered
// until its pass or refresh tick ends, then all of the pass's signings go in
// one notice; time flags are told as they come on. Decides only; the window
// shows a notice in the tray or on its status bar.
class Notices final {
public:
    struct Notice {
        QString title;
        QString body;        // for the tray's balloon
        QString shown;       // for the status bar, where there is no balloon
        QStringList numbers; // every waybill the notice is about
        bool flags = false;  // time flags, not signings
    };

    // A check of a query: a status line for a change that is no signing
    // (empty when there is nothing to say); a signing waits for takeSignings().
    QString noteCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier);
    // The pass ended: its signings in one notice, unless the user turned the
    // notices off; gathered signings are dropped either way.
    std::optional<Notice> takeSignings(bool wanted);
    std::optional<Notice> flagsCameOn(const QVector<FlaggedWaybill> &fresh) const;

private:
    struct Signing {
        QString number;
        QString carrier;
        QString state;
    };
    QVector<Signing> m_unannounced;
};
