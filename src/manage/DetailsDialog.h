#pragma once

#include "store/StateHistory.h"
#include "store/Waybill.h"

#include <QWidget>

#include <optional>

class Dialogs;
class QLabel;
class QPushButton;
class QTreeWidget;

// The details dialog: the main window's current waybill, read-only, with its
// status and days in transit when the register holds that number.
class DetailsDialog final : public QWidget {
    Q_OBJECT
public:
    explicit DetailsDialog(Dialogs &dialogs, QWidget *parent = nullptr);

    // `history` newest first; `now` dates the last check.
    void showFor(const Waybill &current, const std::optional<Waybill> &registered,
                 const QVector<StateEntry> &history = {}, const QDateTime &now = {});

    // Value labels.
    QLabel *Label10 = nullptr; // 单号
    QLabel *Label11 = nullptr; // 快递公司
    QLabel *Label12 = nullptr; // 物品
    QLabel *Label13 = nullptr; // 金额
    QLabel *Label14 = nullptr; // 时间
    QLabel *Label15 = nullptr; // 姓名
    QLabel *Label16 = nullptr; // 电话
    QLabel *Label17 = nullptr; // 联系地址
    QLabel *Label18 = nullptr; // 备注
    QLabel *Label21 = nullptr; // 状态
    QLabel *Label22 = nullptr; // 在途时间
    QPushButton *Command2 = nullptr;
    QLabel *lastCheck = nullptr;        // 最后查询：…
    QTreeWidget *stateHistory = nullptr; // newest first

private:
    void showHistory(const QVector<StateEntry> &history, const QDateTime &now);
    Dialogs &m_dialogs;
};
