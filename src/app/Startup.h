#pragma once

#include <QString>

#include <functional>

class Dialogs;

// The program's entry sequence: create and provision the data folder, check
// the register, then show the main window. A failure is shown and the program
// ends with a non-zero status, without a main window. The program folder,
// when it is another one, is where endpoints.ini is looked for second.
namespace Startup {

struct Result {
    int exitCode = 0;
    QString error;
};

Result prepare(const QString &dataFolder, Dialogs &dialogs, const QString &programFolder = QString());

} // namespace Startup
