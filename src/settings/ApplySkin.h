#pragma once

#include <QString>

// Restyles the whole program with the style sheet at programFolder/relativePath:
// it goes on the application, so windows opened later take it as well. A
// missing, unreadable, empty or damaged style sheet leaves the current look
// and returns false; nothing else happens.
bool ApplySkin(const QString &programFolder, const QString &relativePath);
