#pragma once

#include "core/Dialogs.h"

#include <QDesktopServices>
#include <QUrl>

// The real dialogs: message boxes and the platform's file dialogs.
class QtDialogs final : public Dialogs {
public:
    void information(QWidget *parent, const QString &title, const QString &text) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    bool askOkCancel(QWidget *parent, const QString &title, const QString &text) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override;
    QString askPassword(QWidget *parent, const QString &title, const QString &text) override;
    QString openFile(QWidget *parent, const FileRequest &request) override;
    QString saveFile(QWidget *parent, const FileRequest &request) override;
};

// The real launcher: the desktop's default browser and programs.
class DesktopLauncher final : public Launcher {
public:
    using Opener = std::function<bool(const QUrl &)>;
    // `query` tells which program opens a MIME type (xdg-mime's "query
    // default"); `open` opens, and only says whether its helper started.
    explicit DesktopLauncher(QString query = QStringLiteral("xdg-mime"), Opener open = &QDesktopServices::openUrl);
    void openUrl(const QString &address) override;
    void openFile(const QString &path, QObject *context = nullptr, std::function<void()> noProgram = {}) override;

private:
    QString m_query;
    Opener m_open;
};
