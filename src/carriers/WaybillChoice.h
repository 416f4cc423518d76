#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QObject>
#include <QString>

// The waybill the main window is on: its number as it will be stored and
// queried, and its carrier. The window's labels show it and nothing reads
// them back. The carrier is kept by name: a history row may name one that the
// catalogue no longer has.
class WaybillChoice final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString &number() const { return m_number; }
    const QString &carrierName() const { return m_carrierName; }
    // nullptr when no carrier is chosen or its name is not the catalogue's.
    const Carrier *carrier() const { return FindCarrierByName(m_carrierName); }
    bool hasNumber() const { return !m_number.isEmpty(); }
    bool hasCarrier() const { return !m_carrierName.isEmpty(); }

    void setNumber(const QString &number);
    void setCarrier(const QString &name);
    void clearCarrier() { setCarrier(QString()); }

Q_SIGNALS:
    void changed();

private:
    QString m_number;
    QString m_carrierName;
};
