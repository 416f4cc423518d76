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

// `readOnlyRegister`: a read-only folder holding the user's register and
// settings; while the data folder has no register, the user is asked whether
// to copy them into it (a "no" starts a new register, so it is asked once).
Result prepare(const QString &dataFolder, Dialogs &dialogs, const QString &programFolder = QString(),
               const QString &readOnlyRegister = QString());

} // namespace Startup
