#pragma once

#include "core/Outcome.h"

#include <QString>

// Starting the program when the user logs in. One flag turns it on and off;
// the entry starts the program from its own folder. The location is
// injectable so that tests never touch the user's real one:
// - Linux and other XDG desktops: a folder of autostart entries (the entry
//   tolvane.desktop exists = enabled), by default ~/.config/autostart.
// - Windows: a registry key holding the value "Tolvane", by default the
//   current user's Run key, which needs no administrator rights.
class AutoStart final {
public:
    explicit AutoStart(QString autostartFolder = DefaultFolder());

    static QString DefaultFolder();

    // Enabling writes the entry for executablePath, replacing an earlier one;
    // disabling removes it, and without an entry there is nothing to do.
    Outcome StartWithWindows(bool enable, const QString &executablePath);
    bool IsEnabled() const;

    const QString &folder() const { return m_folder; }

private:
    QString m_folder;
};
