#pragma once

#include "store/HistoryModel.h"

#include <QGroupBox>

#include <functional>

class Clock;
class HistoryLoader;
class QCheckBox;
class QPushButton;
class QTreeView;

// The history list under its caption 历史记录, with 显示已归档 and the buttons
// 刷新数据, 快递单详细管理 and 软件设置. It reads its rows off the window's
// thread and tells a pick, a load and the buttons by signals.
class HistoryPane final : public QGroupBox {
    Q_OBJECT
public:
    HistoryPane(QString dataFolder, const Clock &clock, QWidget *parent);

    // Reads the rows again, with or without the archived ones as 显示已归档 says.
    void load();
    bool isLoading() const;
    // Beside a waybill's status: why it is no longer refreshed, if it is not.
    void setNoteFor(std::function<QString(const QString &number)> note);

Q_SIGNALS:
    void picked(const HistoryModel::Row &row);
    void loaded(const QVector<HistoryModel::Row> &rows);
    void loadFailed(const QString &message);
    // 刷新数据, with the number of the row chosen then (empty without one).
    void refreshClicked(const QString &chosenNumber);
    void managementClicked();
    void settingsClicked();

private:
    void pick(int row);
    QString chosenNumber() const;

    QString m_dataFolder;
    const Clock &m_clock;
    HistoryModel *m_history = nullptr;
    HistoryLoader *m_loader = nullptr;
    QTreeView *historyView = nullptr;
    QCheckBox *showArchivedCheckBox = nullptr;
    QPushButton *refreshHistoryButton = nullptr;
    QPushButton *managementButton = nullptr;
    QPushButton *settingsButton = nullptr;
};
