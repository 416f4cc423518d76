#include "manage/SkippedLinesWindow.h"

#include "core/Dialogs.h"
#include "core/GbkText.h"
#include "core/ProgramName.h"
#include "core/SaveWhole.h"
#include "manage/WindowKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

SkippedLinesWindow::SkippedLinesWindow(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("SkippedLinesWindow"));
    InstallWindowKeys(this);
    setWindowTitle(QStringLiteral("跳过的行"));
    linesText = new QPlainTextEdit(this);
    linesText->setObjectName(QStringLiteral("linesText"));
    linesText->setReadOnly(true);
    linesText->setAccessibleName(QStringLiteral("跳过的行"));
    saveButton = new QPushButton(QStringLiteral("保存为文本文件"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(linesText, 1);
    layout->addLayout(buttons);
    resize(520, 400);
    connect(saveButton, &QPushButton::clicked, this, &SkippedLinesWindow::save);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

QString SkippedLinesWindow::listFileFor(const QString &importedFile)
{
    const QFileInfo info(importedFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("_跳过的行.txt"));
}

void SkippedLinesWindow::showList(const QString &list, const QString &importedFile)
{
    m_importedFile = importedFile;
    linesText->setPlainText(list);
    show();
    raise();
    activateWindow();
}

void SkippedLinesWindow::save()
{
    const QString path = listFileFor(m_importedFile);
    const Outcome saved = SaveWholeFile(path, GbkText::encode(GbkText::withCrLf(linesText->toPlainText())));
    if (saved)
        m_dialogs.information(this, Program::kTitle, QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(path)));
    else
        m_dialogs.critical(this, Program::kTitle, saved.error);
}
