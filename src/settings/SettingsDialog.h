#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QDialog>

class AutoStart;
class Dialogs;
class KeyStore;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class RegisterLocationBox;
class ServiceSettingsBox;
class WatchSettingsBox;

// The settings dialog. It reads config.ini once, in load(); its buttons
// only hide it, so a later opening shows the fields as they were left. Its
// close box (after the question) destroys it. It knows no other window: what
// the main window must follow, it announces.
class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    // readIntervalMs: the page-read interval in force, which the hint of a
    // delay that cannot be applied names. keyStore: where the services' keys
    // go; the program's own, so that a key kept only for the run reaches the
    // queries. Without one the dialog keeps its own.
    SettingsDialog(const QString &programFolder, Dialogs &dialogs, AutoStart &autoStart, int readIntervalMs,
                   QWidget *parent = nullptr, KeyStore *keyStore = nullptr);

    // Fills the fields from config.ini, each as if the user had set it, so
    // a stored delay or update choice is announced: connect first.
    void load();

    QGroupBox *defaultsGroup = nullptr;
    QLabel *defaultCarrierLabel = nullptr;
    QComboBox *defaultCarrierCombo = nullptr;
    QLabel *defaultSkinLabel = nullptr;
    QComboBox *defaultSkinCombo = nullptr;
    QGroupBox *otherSettingsGroup = nullptr;
    QCheckBox *autoStartCheckBox = nullptr;
    QCheckBox *noUpdatePromptCheckBox = nullptr;
    QLabel *readDelayLabel = nullptr;
    QLineEdit *readDelayEdit = nullptr;
    QLabel *readDelayUnitLabel = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *leaveButton = nullptr;
    // Says why the typed read delay is not in force; hidden while it is.
    QLabel *readDelayHintLabel = nullptr;
    WatchSettingsBox *watchSettingsGroup = nullptr;
    RegisterLocationBox *registerLocationGroup = nullptr;
    // Announces servicesChanged() when services.ini was written.
    ServiceSettingsBox *serviceSettingsGroup = nullptr;

    void reject() override; // Esc asks like "退出"

Q_SIGNALS:
    // A default carrier was saved; the main window selects it.
    void carrierChosen(const Carrier &carrier);
    // The read delay, typed or loaded, as the page-read interval.
    void readIntervalChanged(int ms);
    // The update check at start; 0 keeps it from firing.
    void updateCheckIntervalChanged(int ms);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void buildDefaultsGroup();
    void buildOtherSettingsGroup();
    void previewSkin(int index);
    void applyAutoStart();
    void applyUpdatePrompt();
    void applyReadDelay(const QString &text);
    void save();
    void leave();
    bool confirmLeave();

    QString m_programFolder;
    Dialogs &m_dialogs;
    AutoStart &m_autoStart;
    KeyStore *m_keyStore = nullptr;
    QScrollArea *m_scroll = nullptr;
    bool m_sized = false;
    int m_readIntervalMs;
    int m_storedCarrierIndex = -1;
};
