#pragma once

#include "update/UpdateCheck.h"

#include <QDialog>

class Launcher;
class QLabel;
class QPushButton;

// The update window. It checks when it is created and keeps what it found:
// hiding it with a button and showing it again does not check a second time.
// Its close box destroys it, so that the next "检查更新" creates it anew.
class UpdateWindow final : public QDialog {
    Q_OBJECT
public:
    UpdateWindow(const QString &programFolder, Launcher &launcher, QWidget *parent = nullptr);
    // For a check that has already run (the one at start): shows its result
    // instead of downloading the descriptor again.
    UpdateWindow(const QString &programFolder, Launcher &launcher, const UpdateResult &known,
                 QWidget *parent = nullptr);

    bool isChecking() const { return m_check->isRunning(); }
    const UpdateResult &result() const { return m_result; }
    UpdateCheck &check() { return *m_check; }

    static QString packageAddress();

    QLabel *resultLabel = nullptr;
    QPushButton *downloadButton = nullptr;
    QPushButton *continueButton = nullptr;

Q_SIGNALS:
    void checked(const UpdateResult &result);

private:
    void build();
    void showResult(const UpdateResult &result);
    void download();
    void dismiss();

    QString m_programFolder;
    Launcher &m_launcher;
    UpdateCheck *m_check = nullptr;
    UpdateResult m_result;
};
