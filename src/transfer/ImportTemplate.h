#pragma once

#include "core/Outcome.h"

#include <QString>

// The example workbook that shows users the import layout. Start-up puts it
// into the config folder; the import window's template button restores it.
namespace ImportTemplate {

// Relative to the program folder.
QString relativePath();
Outcome write(const QString &path);

} // namespace ImportTemplate
