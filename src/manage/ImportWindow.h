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
class StoreConnection;

// The import window: a text or Excel file into the register.
class ImportWindow final : public QWidget {
    Q_OBJECT
public:
    ImportWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, QWidget *parent = nullptr);
    ~ImportWindow() override;

    QRadioButton *excelOption = nullptr;   // 从EXCEL导入
    QRadioButton *textOption = nullptr;    // 从TXT导入
    QPushButton *confirmButton = nullptr;  // 确定
    QPushButton *templateButton = nullptr; // EXCLE模板
    QLineEdit *excelHintEdit = nullptr;
    QLabel *textFormatLabel = nullptr;   // the text layout
    QLabel *excelFormatLabel = nullptr;  // the Excel layout
    QPushButton *cancelButton = nullptr; // stops a running import

    void chooseFileAndImport();
    void openTemplate();
    void cancelImport();
    bool isImporting() const { return m_importing; }

Q_SIGNALS:
    // Some waybills were stored.
    void imported();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onExcelChosen();
    void onTextChosen();
    bool ensureStore();
    void startImport(const QString &path, bool excel);
    void setImporting(bool importing);
    void finishImport(const ImportResult &result, const QString &path);
    void showSkipped(const ImportResult &result, const QString &importedFile);

    QString m_programFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    std::unique_ptr<StoreConnection> m_store;
    BackgroundTask *m_task = nullptr;
    QLabel *m_progress = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancel;
    bool m_importing = false;
    SkippedLinesWindow *m_skipped = nullptr;
};
