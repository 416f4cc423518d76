#include "carriers/WaybillChoice.h"

void WaybillChoice::setNumber(const QString &number)
{
    if (number == m_number)
        return;
    m_number = number;
    Q_EMIT changed();
}

void WaybillChoice::setCarrier(const QString &name)
{
    if (name == m_carrierName)
        return;
    m_carrierName = name;
    Q_EMIT changed();
}
