#pragma once

#include "settings/AppSettings.h"

#include <QGroupBox>

class QCheckBox;
class QSpinBox;

// The settings dialog's frame for the background refresh, the signing notice,
// the time flags and the archive; it reads and writes its own keys.
class WatchSettingsBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit WatchSettingsBox(QWidget *parent = nullptr);

    void load(const QString &programFolder);
    // Its keys, for the dialog's one write.
    void addTo(AppSettings::Changes &changes) const;
    // Its keys alone, in one write; each failure in the user's words.
    QStringList save(const QString &programFolder) const;

    QCheckBox *autoRefresh = nullptr;
    QSpinBox *refreshHours = nullptr;
    QCheckBox *signingNotice = nullptr;
    QSpinBox *archiveDays = nullptr;
    // The time flags' thresholds, each under its key.
    QSpinBox *collectHours = nullptr;
    QSpinBox *silentDays = nullptr;
    QSpinBox *transitDays = nullptr;
    QSpinBox *pickupDays = nullptr;

private:
    QVector<QPair<QString, QSpinBox *>> limits() const;
};
