#pragma once

#include "core/Outcome.h"

#include <QString>

// Makes sure that the program folder holds what the rest of the program takes
// for granted: the register, the config folder with the skins and the import
// template, and the help text. Creates only what is missing, except the help
// text, which is written at every start so that it always matches the program.
namespace Provisioning {

struct Report {
    Outcome outcome;
    bool createdDatabase = false;
    bool createdConfigFolder = false;
    bool wroteTemplate = false;
};

Report run(const QString &programFolder);

// Names inside the program folder.
QString configFolderName();
QString helpFileName();
// The skin style sheets, relative to the program folder, in menu order.
QStringList skinRelativePaths();

// The help text as it is written: GBK with CR LF line ends.
QByteArray helpTextBytes();

} // namespace Provisioning
