#pragma once

#include <QMainWindow>

class Dialogs;
class Launcher;

// The main window.
class Form1 final : public QMainWindow {
    Q_OBJECT
public:
    Form1(QString programFolder, Dialogs &dialogs, Launcher &launcher, QWidget *parent = nullptr);

private:
    QString m_programFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
};
