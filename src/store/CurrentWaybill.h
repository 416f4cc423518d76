#pragma once

#include <QString>

// The main window's current waybill as its labels show it; the details dialog
// of the management window reads it through a callback.
struct CurrentWaybill final {
    QString number;
    QString carrier;
    QString goods;
    QString amount;
    QString time;
    QString name;
    QString phone;
    QString address;
    QString notes;
};
