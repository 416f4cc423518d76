#pragma once

#include <QDateTime>
#include <QHash>
#include <QMetaType>
#include <QString>

// What one query learned about one waybill.
struct StateCheck final {
    QString number;
    QDateTime at;   // in any time zone; stored as UTC
    QString source; // one of the StateSource codes
    QString state;
    bool signedFor = false;
    QString status{}; // what happened, as the queries read it; empty when unknown
};

// What recording a check did to the register.
struct CheckEffect final {
    bool stored = false;      // the number is in the register; nothing is written otherwise
    bool newlySigned = false; // the check turned its status into signed for
    bool changed = false;     // a state differing from the one known before
};

// One row of a waybill's history: a state and the span in which queries kept
// finding it.
struct StateEntry final {
    QDateTime firstSeen; // UTC
    QDateTime lastCheck; // UTC
    QString source;
    QString state;
    bool signedFor = false;
    QString status;
};

// The newest that the history knows of a waybill, for the grid and the archive.
struct CheckSummary final {
    QDateTime lastCheck; // UTC
    QString state;
    QString status;
    QDateTime signedAt; // UTC, when a query first found it signed for; invalid if never
    QDateTime since;    // UTC, when the newest state was first found
};
using CheckSummaries = QHash<QString, CheckSummary>;

// The codes stored as a row's source: the file is read by programs, so codes
// rather than captions; StateSource::caption gives the text a user sees.
namespace StateSource {
inline const QString kConcise = QStringLiteral("concise");
inline const QString kBackground = QStringLiteral("background");
// The detailed query of a data source ("mrly", "byly1", "byly2").
QString detailed(const QString &dataSource);
QString caption(const QString &code);
} // namespace StateSource

// "2026-12-07 14:03，3 小时前" in the local time of `now`.
QString DescribeLastCheck(const QDateTime &lastCheck, const QDateTime &now);
// Local "yyyy-MM-dd HH:mm", empty for an invalid time.
QString ShortLocalTime(const QDateTime &at);
Q_DECLARE_METATYPE(StateCheck)
Q_DECLARE_METATYPE(CheckEffect)
