#pragma once

#include <QWidget>

class Dialogs;
class QPlainTextEdit;
class QPushButton;

// Every line that an import left out, with its reason: readable, copyable,
// and kept as a GBK text file beside the imported file on request.
class SkippedLinesWindow final : public QWidget {
    Q_OBJECT
public:
    SkippedLinesWindow(Dialogs &dialogs, QWidget *parent = nullptr);

    void showList(const QString &list, const QString &importedFile);
    // The file the list is saved to: beside the imported one.
    static QString listFileFor(const QString &importedFile);

    QPlainTextEdit *linesText = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *closeButton = nullptr;

private:
    void save();

    Dialogs &m_dialogs;
    QString m_importedFile;
};
