#pragma once

#include <QString>

// The title of every message box and the program's name towards the desktop.
namespace Program {
inline const QString kTitle = QStringLiteral("Tolvane");
} // namespace Program
