#pragma once

#include "core/Outcome.h"

#include <QPair>
#include <QString>
#include <QVector>

class StoreConnection;

// The Temp table: the numbers and carriers of a batch query, kept in the
// register for the pass that reads them back.
class BatchScratch final {
public:
    explicit BatchScratch(const StoreConnection &store) : m_store(store) {}

    Outcome clearTemp();
    Outcome insertTemp(const QString &number, const QString &carrier);
    QVector<QPair<QString, QString>> tempRows(Outcome *outcome = nullptr) const;

private:
    const StoreConnection &m_store;
};
