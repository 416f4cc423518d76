// Saving, clearing and switching the query results of the main window.
#include "app/MainWindow.h"
#include "core/ProgramName.h"

#include "core/Dialogs.h"
#include "query/ResultFiles.h"

#include <QPushButton>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

void MainWindow::saveConciseResults()
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
    const int columns = conciseResultView->columnCount();
    for (int r = 0; r < conciseResultView->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *item = conciseResultView->topLevelItem(r);
        QStringList cells;
        for (int c = 0; c < qMax(columns, 1); ++c)
            cells << item->text(c);
        rows << cells;
    }
    if (Outcome saved = SaveConciseResults(path, rows); !saved)
        m_dialogs.information(this, Program::kTitle, saved.error);
}

void MainWindow::saveDetailedResults()
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

void MainWindow::clearResults()
{
    setDetail(QString());
    conciseResultView->clear();
    // Rows still on their way need the columns they are written into.
    if (!isConciseQueryRunning())
        conciseResultView->setColumnCount(0);
}

void MainWindow::showChosenResults()
{
    const bool detailed = resultTabs->currentIndex() == 0;
    detailedResultText->setVisible(detailed);
    conciseResultView->setVisible(!detailed);
}
