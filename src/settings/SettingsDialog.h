#pragma once

#include <QDialog>

class AutoStart;
class Dialogs;
class MainWindowLink;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WatchSettingsBox;

// The settings dialog. It reads config.ini once, when it is created; its
// buttons only hide it, so a later opening shows the fields as they were
// left. Its close box (after the question) destroys it.
class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(const QString &programFolder, Dialogs &dialogs, MainWindowLink &mainWindow, AutoStart &autoStart,
          QWidget *parent = nullptr);

    QGroupBox *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *List1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *List2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLabel *Label10 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    WatchSettingsBox *watchSettings = nullptr;

    // Says why the typed read delay is not in force; hidden while it is.
    QLabel *delayHint() const { return m_delayHint; }

    void reject() override; // Esc asks like "退出"

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void build();
    void Form_Load();
    void List2_Click(int index);
    void Check1_Click();
    void Check2_Click();
    void Text3_Change(const QString &text);
    void Command1_Click();
    void Command2_Click();
    bool confirmLeave();

    QString m_programFolder;
    Dialogs &m_dialogs;
    MainWindowLink &m_mainWindow;
    AutoStart &m_autoStart;
    QLabel *m_delayHint = nullptr;
    int m_storedCarrierIndex = -1;
};
