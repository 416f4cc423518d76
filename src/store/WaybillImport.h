#pragma once

#include "core/Outcome.h"
#include "store/ImportRows.h"
#include "store/Waybill.h"

#include <QSet>
#include <QString>
#include <QStringView>
#include <QVector>

#include <array>
#include <functional>

class QSqlDatabase;
class StoreConnection;
struct sqlite3;
struct sqlite3_stmt;

// Imports: stores each row that is valid and new (its number in normal form,
// new in any spelling), in one transaction: straight through SQLite into a
// file, by COPY onto a server.
class WaybillImport final {
public:
    explicit WaybillImport(const StoreConnection &store) : m_store(store) {}

    // Returns per row an empty text for success or the reason it was skipped.
    // progress(done, total) is called every thousand rows; false rolls back
    // everything and ends the import.
    using Progress = std::function<bool(int, int)>;
    QVector<QString> importWaybills(const QVector<Waybill> &rows, Outcome *outcome = nullptr,
                                    const Progress &progress = {});
    QVector<QString> importWaybills(const ImportRows &rows, Outcome *outcome = nullptr, const Progress &progress = {});

private:
    using RowValues = std::array<QStringView, WaybillColumns::Count>;
    // Fills `row` with import row i as it is stored; empty text, or why it is skipped.
    static QString importRow(const ImportRows &rows, int i, RowValues &row, QString &normal,
                             const QSet<QString> &oddStored);
    QVector<QString> importToFile(const ImportRows &rows, Outcome *outcome, const Progress &progress);
    // The file's rows one by one inside its transaction; a failure ends the
    // whole import (cancelled, or a row refused for more than itself).
    Outcome insertRows(sqlite3 *handle, sqlite3_stmt *insert, const ImportRows &rows, const QSet<QString> &oddStored,
                       const Progress &progress, QVector<QString> &reasons) const;
    QVector<QString> importToServer(const ImportRows &rows, Outcome *outcome, const Progress &progress);
    struct ServerBatch;
    Outcome copyToServer(QSqlDatabase &db, const ImportRows &rows, ServerBatch &batch, const Progress &progress) const;

    const StoreConnection &m_store;
};
