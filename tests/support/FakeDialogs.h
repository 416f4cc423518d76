#pragma once

#include "core/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Records every message and question, and answers from a script. A question
// with no scripted answer gets the default given here, so no test ever waits.
class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        QString kind; // "information", "critical", "okcancel", "yesno", "open", "save"
        QString title;
        QString text;
    };

    void information(QWidget *parent, const QString &title, const QString &text) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    bool askOkCancel(QWidget *parent, const QString &title, const QString &text) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override;
    QString openFile(QWidget *parent, const FileRequest &request) override;
    QString saveFile(QWidget *parent, const FileRequest &request) override;

    // Scripted answers, taken in order.
    QList<bool> answers;
    QStringList files;
    bool defaultAnswer = false;
    // Runs while a question is open, as events do under a real modal box.
    std::function<void()> whileAsking;

    QList<Shown> shown;
    QList<FileRequest> fileRequests;

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear()
    {
        shown.clear();
        fileRequests.clear();
    }
};

class FakeLauncher final : public Launcher {
public:
    void openUrl(const QString &address) override { urls << address; }
    void openFile(const QString &path, QObject *, std::function<void()> noProgram) override
    {
        files << path;
        if (!opens && noProgram)
            noProgram();
    }
    bool opens = true; // false: as on a desktop with no program for the file
    QStringList urls;
    QStringList files;
};
