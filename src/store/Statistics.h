#pragma once

#include "core/Outcome.h"
#include "store/StoreDialect.h"
#include "store/Waybill.h"

#include <QDate>
#include <QPair>
#include <QString>
#include <QVector>

// The register in numbers: by status, by carrier, by month sent, and days in
// transit per carrier. Worked out off the window's thread.
namespace Statistics {

// Rows sent within [from, to] by their 时间; with no range, every row,
// undated ones included.
struct Range {
    QDate from;
    QDate to;
    bool isSet() const { return from.isValid() && to.isValid(); }
};

using Counts = QVector<QPair<QString, int>>; // most first, or by month

struct Transit {
    QString carrier;
    int count = 0;
    double median = 0;
    int slowest = 0;
};

struct Summary {
    int total = 0;
    Counts byStatus;
    Counts byCarrier;
    Counts byMonth;           // "2026-12", oldest first
    QVector<Transit> transit; // slowest median first
};

Summary compute(const QVector<Waybill> &rows, const Range &range);
// By status counts what each waybill's newest check found happened (疑难,
// 待取件…), and the 状态 of a waybill never checked.
Summary read(const StoreLocation &where, const Range &range, Outcome *outcome);

} // namespace Statistics
