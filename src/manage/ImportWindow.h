#pragma once

#include <QWidget>

#include <atomic>
#include <memory>

class BackgroundTask;
class Dialogs;
class SkippedLinesWindow;
struct ImportResult;
class Launcher;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class WaybillStore;

// The import window: a text or Excel file into the register.
class ImportWindow final : public QWidget {
    Q_OBJECT
public:
    ImportWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, QWidget *parent = nullptr);
    ~ImportWindow() override;

    QRadioButton *Option1 = nullptr; // 从EXCEL导入
    QRadioButton *Option2 = nullptr; // 从TXT导入
    QPushButton *Command1 = nullptr; // 确定
    QPushButton *Command2 = nullptr; // EXCLE模板
    QLineEdit *Text1 = nullptr;
    QLabel *Label1 = nullptr;             // the text layout
    QLabel *Label2 = nullptr;             // the Excel layout
    QPushButton *CommandCancel = nullptr; // stops a running import

    void Command1_Click();
    void Command2_Click();
    void CommandCancel_Click();
    bool isImporting() const { return m_importing; }

Q_SIGNALS:
    // Some waybills were stored.
    void imported();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Option1_Click();
    void Option2_Click();
    bool ensureStore();
    void startImport(const QString &path, bool excel);
    void setImporting(bool importing);
    void finishImport(const ImportResult &result, const QString &path);
    void showSkipped(const ImportResult &result, const QString &importedFile);

    QString m_programFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    std::unique_ptr<WaybillStore> m_store;
    BackgroundTask *m_task = nullptr;
    QLabel *m_progress = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancel;
    bool m_importing = false;
    SkippedLinesWindow *m_skipped = nullptr;
};
