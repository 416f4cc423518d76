#include "manage/WaybillEditor.h"

#include "carriers/CarrierCatalogue.h"
#include "store/DaysInTransit.h"
#include "store/Waybills.h"

namespace WaybillEditor {

QString chosenCarrier(const QString &listText)
{
    return listText == CarrierCatalogue::kSeparator ? QString() : listText;
}

Outcome quickAdd(StoreConnection &store, const Waybill &typed, const QDate &today)
{
    if (typed.number.isEmpty())
        return Outcome::failure(kEmptyNumber);
    Waybill row = typed;
    row.carrier = chosenCarrier(typed.carrier);
    if (row.carrier.isEmpty())
        return Outcome::failure(kNoCarrier);
    Waybills waybills(store);
    Outcome checked;
    const bool exists = waybills.numberExists(row.number, &checked);
    if (!checked)
        return checked;
    if (exists)
        return Outcome::failure(kNumberExists);
    const QString days = DaysInTransit::fromTimeText(row.time, today).value_or(QStringLiteral(""));
    return waybills.insertQuickAdd(row, days);
}

Outcome modify(StoreConnection &store, const QString &oldNumber, const QString &oldCarrier, const Waybill &edited,
               const std::optional<Waybill> &asRead)
{
    if (edited.number.isEmpty())
        return Outcome::failure(kEmptyNumber);
    Waybill row = edited;
    row.carrier = chosenCarrier(edited.carrier);
    if (row.carrier.isEmpty())
        row.carrier = oldCarrier;

    Waybills waybills(store);
    Outcome checked;
    const bool present = waybills.numberExists(oldNumber, &checked);
    if (!checked)
        return checked;
    if (!present)
        return Outcome::failure(asRead ? Waybills::kDeletedElsewhere : kRowGone);
    if (row.number == oldNumber)
        return waybills.updateKeepingNumber(row, asRead);
    // The store finds the number taken on its normal form, the row being edited
    // apart: the same number typed otherwise is no clash with itself.
    return waybills.updateChangingNumber(oldNumber, row, row.carrier != oldCarrier, asRead);
}

} // namespace WaybillEditor
