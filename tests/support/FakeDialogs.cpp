#include "support/FakeDialogs.h"

void FakeDialogs::information(QWidget *, const QString &title, const QString &text)
{
    shown.append({QStringLiteral("information"), title, text});
}

void FakeDialogs::critical(QWidget *, const QString &title, const QString &text)
{
    shown.append({QStringLiteral("critical"), title, text});
}

bool FakeDialogs::askOkCancel(QWidget *, const QString &title, const QString &text)
{
    shown.append({QStringLiteral("okcancel"), title, text});
    if (whileAsking)
        whileAsking();
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

bool FakeDialogs::askYesNo(QWidget *, const QString &title, const QString &text)
{
    shown.append({QStringLiteral("yesno"), title, text});
    if (whileAsking)
        whileAsking();
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

QString FakeDialogs::openFile(QWidget *, const FileRequest &request)
{
    shown.append({QStringLiteral("open"), request.title, QString()});
    fileRequests.append(request);
    return files.isEmpty() ? QString() : files.takeFirst();
}

QString FakeDialogs::saveFile(QWidget *, const FileRequest &request)
{
    shown.append({QStringLiteral("save"), request.title, QString()});
    fileRequests.append(request);
    return files.isEmpty() ? QString() : files.takeFirst();
}

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}
