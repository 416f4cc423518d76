#pragma once

#include "core/Outcome.h"
#include "transfer/ImportBatch.h"

#include <QByteArray>
#include <QString>

// Workbooks are read by the helper program tolvane-sheet, beside the program,
// in a process of its own with a time and a memory limit: a reader's crash
// on a crafted file must not take the register with it.
namespace SheetProcess {

constexpr const char *kHelperName = "tolvane-sheet";
constexpr int kTimeLimitMs = 30000;
constexpr int kExitOutOfMemory = 3;

// The program's side: runs the helper on the file and takes back its rows.
// A crash, a limit or an answer that makes no sense is "文件无法读取：…".
Outcome read(const QString &path, SheetData *sheet);

// The helper's side: the sheet of an .xls or .xlsx file, in this process.
Outcome readHere(const QString &path, SheetData *sheet);

// What the helper writes on its standard output, and the program's check of
// it: every length and row number is bounded before anything is allocated.
QByteArray encode(const Outcome &read, const SheetData &sheet);
bool decode(const QByteArray &bytes, Outcome *read, SheetData *sheet);

} // namespace SheetProcess
