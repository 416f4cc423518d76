#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;
class QWidget;

// Every message, question and file chooser of the program goes through this
// interface: the program shows real dialogs, the tests answer from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void critical(QWidget *parent, const QString &title, const QString &text) = 0;
    // true for OK, false for Cancel.
    virtual bool askOkCancel(QWidget *parent, const QString &title, const QString &text) = 0;
    // true for Yes, false for No.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text) = 0;
    // A password typed into a hidden field; empty when the user cancelled (or nobody can be asked).
    virtual QString askPassword(QWidget *, const QString &, const QString &) { return {}; }

    struct FileRequest {
        QString title;
        QString folder;
        QString fileName;
        QStringList filters; // "文本文件(*.txt)" style, the first is selected
        QString defaultSuffix;
        bool confirmOverwrite = true;
    };
    // The chosen path, or an empty text when the user cancelled.
    virtual QString openFile(QWidget *parent, const FileRequest &request) = 0;
    virtual QString saveFile(QWidget *parent, const FileRequest &request) = 0;
};

// Opening a web address or a document with the desktop's default program.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual void openUrl(const QString &address) = 0;
    // Opens a file or folder with the desktop's program for it. When there is
    // none, `noProgram` runs, later, on this thread and only while `context`
    // lives: finding out may take a moment, and the window must not wait.
    virtual void openFile(const QString &path, QObject *context = nullptr, std::function<void()> noProgram = {}) = 0;
};
