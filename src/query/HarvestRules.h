#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QString>
#include <QStringList>

// How the detailed query reads a tracking page: which elements it fills and
// presses, and which of the page's text lines it copies.

struct PageIds final {
    QString numberField;
    QString queryButton;
};

// The element ids of a source's pages; with no source, backup source 1's.
PageIds PageIdsFor(DataSource source);

// The page body's text as lines: split at "\n", a trailing "\r" dropped from
// each. An empty text has no lines at all.
QStringList SplitPageText(const QString &innerText);

// The lines between the last start marker line and the last end marker line of
// the source (line 0 is never copied). Nothing without an end line, nothing
// when no source is chosen.
QStringList HarvestLines(const QStringList &lines, DataSource source);

// Each harvested line followed by "\r\n", as the result box receives them.
QString HarvestedText(const QStringList &lines);
// The newest state of a harvest: its latest dated line, or in a record
// without dates its last line that is not blank.
QString LatestHarvestedState(const QStringList &lines);

// The header of a current-waybill query and the line before each waybill of a
// stored or batch pass.
QString DetailHeader(const QString &number, const QString &carrier);
QString WaybillLine(const QString &number, const QString &carrier);

// A current-waybill query found nothing when its result is the header plus one
// empty harvested line.
bool FoundNothing(const QString &resultText, const QString &number, const QString &carrier);
