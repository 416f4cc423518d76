#pragma once

#include "manage/WaybillFormDialog.h"

class QPushButton;

// The quick-add dialog: stores new waybills one after another.
class QuickAddDialog final : public WaybillFormDialog {
    Q_OBJECT
public:
    QuickAddDialog(const QString &programFolder, Dialogs &dialogs, const Clock &clock, QWidget *parent = nullptr);

    QPushButton *addButton = nullptr;  // 添加
    QPushButton *exitButton = nullptr; // 退出

    void add();

protected:
    void enterInLastBox() override;
    void showEvent(QShowEvent *event) override;

private:
    void detectCarrier();

    const Clock &m_clock;
    bool m_shownBefore = false;
    QStringList m_entries;       // the list in catalogue order
    bool m_chosenByUser = false; // a carrier clicked in the list is never replaced
    bool m_autoChosen = false;
    bool m_reordering = false;
};
