#pragma once

#include "store/Waybill.h"

#include <QPair>
#include <QVector>
#include <QWidget>

#include <memory>

class Clock;
class Dialogs;
class QLabel;
class QLineEdit;
class QListWidget;
class StoreConnection;

// The layout that the quick-add and modify dialogs share: a number box, a
// carrier list and seven boxes, where Enter moves on to the next box and Enter
// in the last one runs the dialog's action.
class WaybillFormDialog : public QWidget {
    Q_OBJECT
public:
    ~WaybillFormDialog() override;

    QLineEdit *numberEdit = nullptr;    // 快递单号
    QListWidget *carrierList = nullptr; // 快递公司
    QLineEdit *goodsEdit = nullptr;     // 物品
    QLineEdit *amountEdit = nullptr;    // 金额
    QLineEdit *timeEdit = nullptr;      // 时间
    QLineEdit *nameEdit = nullptr;      // 姓名
    QLineEdit *phoneEdit = nullptr;     // 电话
    QLineEdit *addressEdit = nullptr;   // 联系地址
    QLineEdit *notesEdit = nullptr;     // 备注
    QLabel *enterHintLabel = nullptr;   // the Enter hint
    QLabel *iconLabel = nullptr;

Q_SIGNALS:
    // After every add or modify attempt; the management window refreshes its
    // grid a second later.
    void attempted();

protected:
    WaybillFormDialog(const QString &objectName, const QString &caption, const QStringList &carriers,
                      const QString &programFolder, Dialogs &dialogs, QWidget *parent);

    // What Enter in the last box does.
    virtual void enterInLastBox() = 0;
    // Adds the dialog's buttons below the boxes.
    void addButtons(QWidget *action, QWidget *exit);

    // The boxes as a waybill; the carrier is the chosen entry, empty when none.
    Waybill typed() const;
    void fill(const Waybill &waybill);
    void clearBoxes();
    void selectCarrier(const QString &name);
    // Opens the dialog's own connection when it is not open yet; says why not.
    bool ensureStore();
    StoreConnection &store() { return *m_store; }
    Dialogs &dialogs() { return m_dialogs; }

private:
    QString m_programFolder;
    Dialogs &m_dialogs;
    std::unique_ptr<StoreConnection> m_store;
    class QGridLayout *m_grid = nullptr;
    // The boxes by the register column they hold.
    QVector<QPair<WaybillColumns::Column, class QLineEdit *>> m_boxes;
};
