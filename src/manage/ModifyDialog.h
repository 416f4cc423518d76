#pragma once

#include "manage/WaybillFormDialog.h"

#include <optional>

class QPushButton;

// The modify dialog: changes the waybill that was selected in the management
// grid when the dialog was shown.
class ModifyDialog final : public WaybillFormDialog {
    Q_OBJECT
public:
    ModifyDialog(const QString &programFolder, Dialogs &dialogs, QWidget *parent = nullptr);

    QPushButton *modifyButton = nullptr; // 修改
    QPushButton *exitButton = nullptr;   // 退出

    // Fills the boxes from the selection and shows the dialog; the change
    // applies to that row whatever is selected later.
    void showFor(const Waybill &selection);
    void modify();

    QString oldNumber() const { return m_oldNumber; }

protected:
    void enterInLastBox() override { modify(); }

private:
    // The row as the boxes were filled from it: the save checks it is still so.
    void fillFrom(const Waybill &stored);
    QString m_oldNumber;
    QString m_oldCarrier;
    std::optional<Waybill> m_asRead;
};
