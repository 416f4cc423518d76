#pragma once

#include <QString>

#include <functional>
#include <memory>

class Dialogs;
class SingleInstance;

// The program's entry sequence: create and provision the data folder, check
// the register, then show the main window. A failure is shown and the program
// ends with a non-zero status, without a main window. The program folder,
// when it is another one, is where endpoints.ini is looked for second. A copy
// already running on the same data folder is asked to come forward instead.
namespace Startup {

struct Result {
    int exitCode = 0;
    QString error;
    bool alreadyRunning = false; // the other copy came forward; this one ends
    // Holds the data folder while the program runs.
    std::shared_ptr<SingleInstance> instance;
};

Result prepare(const QString &dataFolder, Dialogs &dialogs, const QString &programFolder = QString());

} // namespace Startup
