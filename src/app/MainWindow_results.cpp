// Saving, clearing and switching the query results of the main window.
#include "app/MainWindow.h"
#include "app/ResultsPane.h"
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
    if (Outcome saved = SaveConciseResults(path, m_results->conciseRows()); !saved)
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
    if (Outcome saved = SaveDetailedResults(path, m_results->detailText()); !saved)
        m_dialogs.information(this, Program::kTitle, saved.error);
}

void MainWindow::clearResults()
{
    m_results->setDetail(QString());
    m_results->clearConcise(isConciseQueryRunning());
}

QString MainWindow::detailedText() const
{
    return m_results->detailText();
}
