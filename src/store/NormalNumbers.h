#pragma once

#include "core/Outcome.h"
#include "store/SqlCondition.h"

#include <QSet>
#include <QString>

class StoreConnection;
struct StoreDialect;

// Waybill numbers compared in their normal form. New numbers are stored in
// it; rows stored before may not be, and are matched through normal_number(),
// which only numbers that can differ from it (the dialect's oddNumber) reach.
// For the files of src/store only.
namespace NormalNumbers {

// A stored number holding the key's normal form, as typed or in its own normal form.
SqlCondition matches(const QString &normal, const StoreDialect &dialect);
// The quick search's condition for a key of 快递单号: the search index's
// candidates (on SQLite) checked by matches().
SqlCondition searchCondition(const QString &key, const StoreDialect &dialect);
// The normal form of every stored number that may differ from it.
QSet<QString> oddStored(const StoreConnection &store, Outcome *outcome);

} // namespace NormalNumbers
