#pragma once

#include <QDate>
#include <QString>

// How a number cell reads as text, from its number format: both workbook
// formats keep dates and times as numbers and say so only in the format.
namespace NumberFormat {

enum class Kind { Number, Date, Time };

// Excel's built-in format ids (the same in .xls and .xlsx), and a format
// code of the workbook's own.
Kind builtin(int id);
Kind custom(const QString &code);

// A date as "2026/12/7", a time as "9:05:00", anything else (and a number no
// date can stand for) in its plain digits. `epoch` is the day serial 0 of
// the workbook's date system.
QString text(double value, Kind kind, const QDate &epoch);

// Day 0 of the 1900 system is 1899-12-30 for every date after February 1900.
inline QDate epoch(bool from1904)
{
    return from1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
}

} // namespace NumberFormat
