#pragma once

#include "store/StateHistory.h"
#include "store/Waybill.h"

#include <QWidget>

#include <optional>

class Dialogs;
class QLabel;
class QPushButton;
class QTreeWidget;

// The details dialog: one waybill (the grid's chosen row, else the main
// window's current waybill), read-only, with its
// status and days in transit when the register holds that number.
class DetailsDialog final : public QWidget {
    Q_OBJECT
public:
    explicit DetailsDialog(Dialogs &dialogs, QWidget *parent = nullptr);

    // `history` newest first; `now` dates the last check.
    void showFor(const Waybill &current, const std::optional<Waybill> &registered,
                 const QVector<StateEntry> &history = {}, const QDateTime &now = {});

    // Value labels.
    QLabel *numberValueLabel = nullptr;        // 单号
    QLabel *carrierValueLabel = nullptr;       // 快递公司
    QLabel *goodsValueLabel = nullptr;         // 物品
    QLabel *amountValueLabel = nullptr;        // 金额
    QLabel *timeValueLabel = nullptr;          // 时间
    QLabel *nameValueLabel = nullptr;          // 姓名
    QLabel *phoneValueLabel = nullptr;         // 电话
    QLabel *addressValueLabel = nullptr;       // 联系地址
    QLabel *notesValueLabel = nullptr;         // 备注
    QLabel *statusValueLabel = nullptr;        // 状态
    QLabel *daysInTransitValueLabel = nullptr; // 在途时间
    QPushButton *exitButton = nullptr;
    QLabel *lastCheckLabel = nullptr;        // 最后查询：…
    QTreeWidget *stateHistoryView = nullptr; // newest first

private:
    void showHistory(const QVector<StateEntry> &history, const QDateTime &now);
    Dialogs &m_dialogs;
};
