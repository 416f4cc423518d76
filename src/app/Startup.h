#pragma once

#include <QString>

#include <functional>

class Dialogs;

// The program's entry sequence: provision the program folder, check the
// register, then show the main window. A failure is shown and the program
// ends with a non-zero status, without a main window.
namespace Startup {

struct Result {
    int exitCode = 0;
    QString error;
};

Result prepare(const QString &programFolder, Dialogs &dialogs);

} // namespace Startup
