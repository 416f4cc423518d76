#pragma once

#include "store/SqlCondition.h"

#include <QString>

#include <optional>

class QSqlDatabase;

// The quick search's index in an SQLite register: an FTS5 trigram table over
// the seven searchable columns of 快递单, kept in step by triggers, so that
// every program that writes the file (older builds, the sqlite3 tool) keeps it
// right. The triggers call no function of ours for the same reason.
//
// A register that had no index gets an empty one on opening and fills it in
// batches. Until the last batch only the rows up to a mark are indexed (the
// triggers leave the others to the batches), and the search reads the table
// itself; the mark's end value says the index is complete.
namespace SearchIndex {

// Adds the index where it is missing or is not the one this build makes (a
// table dropped, a trigger changed), starting it empty; on an empty register
// it is complete at once.
bool install(QSqlDatabase &db, QString *error);

// The index is complete and the search uses it.
std::optional<bool> isComplete(QSqlDatabase &db, QString *error);

struct Batch {
    qint64 indexed = 0; // rows added by this batch
    bool complete = false;
};
// Indexes the next rows past the mark in one write transaction; the last
// batch marks the index complete in the same transaction, so no row written
// meanwhile by another program can fall between the batches and the triggers.
std::optional<Batch> indexBatch(QSqlDatabase &db, int rows, QString *error);

// Around an import, inside its write transaction: the triggers leave the new
// rows alone and indexBulk() indexes them in one statement, for a third of
// the cost. holdForBulk() gives the rowid past which rows are new, or -1 when
// the index is not complete (its batches take the new rows anyway).
std::optional<qint64> holdForBulk(QSqlDatabase &db, QString *error);
bool indexBulk(QSqlDatabase &db, qint64 after, QString *error);

// The rowids of 快递单 whose `column` may hold `key` inside '%…%' (LIKE, the
// key's % and _ wildcards), as a subquery: from the index when it is complete,
// from the table while it is not. They still need the LIKE itself: the index
// finds every row that holds the key's runs of characters, in any order.
// None when the key has no three characters in a row that are not wildcards,
// the least that a trigram can find: such keys scan.
std::optional<SqlCondition> rowidsContaining(const QString &column, const QString &key);

// What a complete index MATCHes for such a key: one phrase a run of three
// or more characters; none where rowidsContaining() has none.
std::optional<QString> matchPhrase(const QString &key);
// The index's table, and the partial index of 快递单 over numbers that can
// differ from their normal form; both exist once isComplete().
QString table();
QString oddNumbersTable();

} // namespace SearchIndex
