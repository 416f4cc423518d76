#pragma once

#include <QDialog>

class Dialogs;
class Launcher;
class QLabel;
class QPushButton;

// The About window. It also tells where the register and its files are,
// which for an installed program is not beside it, and opens that folder.
class AboutWindow final : public QDialog {
    Q_OBJECT
public:
    AboutWindow(Launcher &launcher, Dialogs &dialogs, const QString &dataFolder, QWidget *parent = nullptr);

    QLabel *makerSiteLabel = nullptr;
    QLabel *dataFolderLabel = nullptr;
    QPushButton *openDataFolderButton = nullptr;

private:
    Launcher &m_launcher;
};
