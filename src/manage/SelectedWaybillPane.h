#pragma once

#include "store/Waybill.h"

#include <QGroupBox>

#include <optional>

class QLabel;

// The 选中运单 panel: the chosen row's values beside their captions, empty
// while no row is chosen. Each value label is named by the value it shows and
// described by its column.
class SelectedWaybillPane final : public QGroupBox {
    Q_OBJECT
public:
    explicit SelectedWaybillPane(QWidget *parent = nullptr);

    void setWaybill(const Waybill &waybill);
    void clear();
    // The waybill shown, as it was when chosen; none before a row is chosen.
    const std::optional<Waybill> &waybill() const { return m_waybill; }

private:
    std::optional<Waybill> m_waybill;
    QLabel *m_values[WaybillColumns::Count] = {}; // by column
};
