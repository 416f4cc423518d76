#pragma once

#include "store/Waybill.h"

#include <QGroupBox>

class QLabel;
class QPushButton;

// The 信息 group: the waybill the window is on, its carrier's hotline and the
// button to the carrier's site. It keeps what it shows and writes its labels
// from that; nothing reads them back.
class InfoPane final : public QGroupBox {
    Q_OBJECT
public:
    explicit InfoPane(QWidget *parent);

    const Waybill &waybill() const { return m_waybill; }
    void setNumberAndCarrier(const QString &number, const QString &carrier);
    // One of the fields that mirror the input form (goods to notes).
    void setField(QString Waybill::*field, const QString &text);
    void setHotline(const QString &hotline);

Q_SIGNALS:
    void homePageClicked();

private:
    void showState();

    Waybill m_waybill;
    QString m_hotline;
    QLabel *numberCaptionLabel = nullptr, *numberValueLabel = nullptr, *carrierCaptionLabel = nullptr,
           *carrierValueLabel = nullptr;
    QLabel *hotlineCaptionLabel = nullptr, *hotlineValueLabel = nullptr;
    QLabel *notesValueLabel = nullptr, *daysInTransitValueLabel = nullptr, *statusValueLabel = nullptr;
    QLabel *goodsValueLabel = nullptr, *amountValueLabel = nullptr, *timeValueLabel = nullptr,
           *nameValueLabel = nullptr, *phoneValueLabel = nullptr, *addressValueLabel = nullptr;
    QPushButton *carrierHomePageButton = nullptr;
};
