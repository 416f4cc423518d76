#pragma once

#include "manage/WaybillLoader.h"

#include <QString>

// What the management window says of a read: the grid keeps its rows when a
// search finds none to show, so the window tells why they are still there.
namespace SearchAnswer {

// Empty unless a search with a key found nothing to show: then how many
// archived rows it found, or that it found nothing.
QString text(const WaybillLoader::Result &result);

// A search found only archived rows: the window offers to show them.
bool offersArchived(const WaybillLoader::Result &result);

} // namespace SearchAnswer
