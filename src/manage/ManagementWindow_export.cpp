// The management window's export: the whole register to a text file or a workbook.
#include "manage/ManagementWindow.h"

#include "core/BackgroundTask.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "manage/RegisterExport.h"
#include "store/WaybillStore.h"

#include <QLabel>
#include <QPushButton>

void ManagementWindow::exportRegister()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("保存为");
    request.folder = m_programFolder;
    request.filters = {QStringLiteral("文本文件(*.txt)"), QStringLiteral("导出为 Excel (*.xlsx)"),
                       QStringLiteral("所有文件(*.*)")};
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = m_dialogs.saveFile(this, request);
    if (path.isEmpty() || !m_store->isOpen() || m_exporting)
        return;
    // Reading and writing a large register happen off the window's thread,
    // with a connection of their own.
    m_exporting = true;
    exportButton->setEnabled(false);
    m_reading->setText(QStringLiteral("正在导出…"));
    const StoreLocation database = m_store->location();
    // The stage and its count reach the window through the task, which outlives its worker.
    BackgroundTask *task = m_exportTask;
    QLabel *label = m_reading;
    const auto tell = [task, label, this](const QString &text) {
        QMetaObject::invokeMethod(
            task,
            [label, text, this] {
                if (m_exporting)
                    label->setText(text);
            },
            Qt::QueuedConnection);
    };
    m_exportTask->run<RegisterExport::Result>(
        [database, path, tell](const BackgroundTask::KeepGoing &) { return RegisterExport::write(database, path, tell); },
        [this](const RegisterExport::Result &written) {
            exportFinished(written.outcome, written.empty, written.beyondGbk);
        });
}

void ManagementWindow::exportFinished(const Outcome &outcome, bool empty, int beyondGbk)
{
    m_exporting = false;
    exportButton->setEnabled(true);
    m_reading->setText(m_loader->isReading() ? QStringLiteral("正在读取…") : QString());
    if (!outcome)
        m_dialogs.critical(this, Program::kTitle, outcome.error);
    else if (empty)
        m_dialogs.information(this, Program::kTitle, QStringLiteral("数据库没有记录!!"));
    else if (beyondGbk > 0)
        m_dialogs.information(
            this, Program::kTitle,
            QStringLiteral("导出完成。其中 %1 条运单含有 GBK 编码没有的字符（如表情符号、€、不换行空格），"
                           "这些字符按 GB18030 编码写入，内容没有丢失，但只认 GBK 的程序可能显示不正确。")
                .arg(beyondGbk));
    Q_EMIT exportDone();
}
