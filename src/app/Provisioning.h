#pragma once

#include "core/Outcome.h"

#include <QString>

#include <functional>

// Makes sure that the data folder (the program folder of a portable copy)
// holds what the rest of the program takes for granted: the register, the config folder with the skins and the import
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

// Where the register and its files live. Beside the program while that
// folder can be written or already holds them (a portable copy, as always);
// in the user's own data folder when the program was installed (its desktop
// entry lies in the same prefix, e.g. /usr/bin and /usr/share/applications,
// which even root must not fill with data) or its folder is read-only.
// A read-only program folder that already holds a register or settings is not
// used either: the user's folder is, and the start offers to copy them there.
struct DataFolder {
    QString path;
    bool portable = true;
    QString readOnlyRegister; // the read-only folder whose data may be copied, or empty
};
// Whether a folder takes new files, asked of the folder itself: permission
// bits say nothing for root or a read-only mount.
bool canWrite(const QString &folder);
using WritableProbe = std::function<bool(const QString &folder)>;
DataFolder chooseDataFolder(const QString &programFolder, const QString &userDataFolder,
                            const WritableProbe &writable = canWrite);
// The desktop entry, relative to the program's folder, that marks an installed copy.
QString installedEntryRelativePath();

// Names inside the data folder.
QString configFolderName();
QString helpFileName();
// The skin style sheets, relative to the data folder, in menu order.
QStringList skinRelativePaths();

// The help text as it is written: GBK with CR LF line ends.
QByteArray helpTextBytes();

} // namespace Provisioning
