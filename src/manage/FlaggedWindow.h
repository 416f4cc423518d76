#pragma once

#include <QDialog>

class BackgroundTask;
class Clock;
class QLabel;
class QPushButton;
class QTreeWidget;

// 超时件: the waybills that time says are stuck, each flag a row, read off
// the window's thread each time the window is shown or refreshed.
class FlaggedWindow final : public QDialog {
    Q_OBJECT
public:
    FlaggedWindow(QString programFolder, const Clock &clock, QWidget *parent = nullptr);

    void refresh();
    bool isReading() const;

    QTreeWidget *flaggedList = nullptr;
    QLabel *countLabel = nullptr;
    QPushButton *showButton = nullptr;    // 显示选中运单
    QPushButton *refreshButton = nullptr; // 刷新

Q_SIGNALS:
    // The user wants to see this waybill in the register.
    void showRequested(const QString &number);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showChosen();

    QString m_programFolder;
    const Clock &m_clock;
    BackgroundTask *m_task = nullptr;
};
