#pragma once

#include "core/Outcome.h"

#include <QGroupBox>

class QSpinBox;

// How the values of the newer keys are read: a value that is no whole number
// in range counts as the default, so a hand-edited file never stops the program.
namespace WatchSettings {
int archiveDays(const QString &programFolder);
} // namespace WatchSettings

// The settings dialog's frame for archiving; it reads and writes its own keys.
class WatchSettingsBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit WatchSettingsBox(QWidget *parent = nullptr);

    void load(const QString &programFolder);
    // Each failed write, in the user's words.
    QStringList save(const QString &programFolder) const;

    QSpinBox *archiveDays = nullptr;
};
