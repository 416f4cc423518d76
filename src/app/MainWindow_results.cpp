// Saving, clearing and switching the query results of the main window.
#include "app/MainWindow.h"
#include "core/ProgramName.h"

#include "core/Dialogs.h"
#include "query/ResultFiles.h"

#include <QPushButton>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

void MainWindow::Command13_Click()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("另存为");
    request.filters = QStringList{QStringLiteral("TXT格式文件(*.txt)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = true;
    const QString path = m_dialogs.saveFile(this, request);
    if (path.isEmpty())
        return;
    QVector<QStringList> rows;
    const int columns = ListView1->columnCount();
    for (int r = 0; r < ListView1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = ListView1->topLevelItem(r);
        QStringList cells;
        for (int c = 0; c < qMax(columns, 1); ++c)
            cells << item->text(c);
        rows << cells;
    }
    if (Outcome saved = SaveConciseResults(path, rows); !saved)
        m_dialogs.information(this, Program::kTitle, saved.error);
}

void MainWindow::Command3_Click()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("保存为");
    request.folder = m_dataFolder;
    request.fileName = m_lastDetailFile;
    request.filters = QStringList{QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件(*.*)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = false;
    const QString path = m_dialogs.saveFile(this, request);
    if (path.isEmpty())
        return;
    m_lastDetailFile = path;
    if (Outcome saved = SaveDetailedResults(path, m_detailText); !saved)
        m_dialogs.information(this, Program::kTitle, saved.error);
}

void MainWindow::Command4_Click()
{
    setDetail(QString());
    ListView1->clear();
    // Rows still on their way need the columns they are written into.
    if (!isConciseQueryRunning())
        ListView1->setColumnCount(0);
}

void MainWindow::SSTab1_Click()
{
    const bool detailed = SSTab1->currentIndex() == 0;
    RichTextBox3->setVisible(detailed);
    ListView1->setVisible(!detailed);
}
