#pragma once

#include "core/Dialogs.h"

// The real dialogs: message boxes and the platform's file dialogs.
class QtDialogs final : public Dialogs {
public:
    void information(QWidget *parent, const QString &title, const QString &text) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    bool askOkCancel(QWidget *parent, const QString &title, const QString &text) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override;
    QString openFile(QWidget *parent, const FileRequest &request) override;
    QString saveFile(QWidget *parent, const FileRequest &request) override;
};

// The real launcher: the desktop's default browser and programs.
class DesktopLauncher final : public Launcher {
public:
    void openUrl(const QString &address) override;
    bool openFile(const QString &path) override;
};
