#pragma once

#include <QWidget>

class QPushButton;

// The row of buttons under the management grid that act on the chosen row or
// on the register: 刷新数据, 显示选中运单, 删除选中运单, 修改选中运单, 快速添加运单.
class WaybillActionBar final : public QWidget {
    Q_OBJECT
public:
    explicit WaybillActionBar(QWidget *parent = nullptr);

    // The buttons in the order Tab reads them.
    QVector<QWidget *> tabStops() const;

Q_SIGNALS:
    void refreshAsked();
    void detailsAsked();
    void deleteAsked();
    void modifyAsked();
    void quickAddAsked();

private:
    QVector<QWidget *> m_buttons;
};
