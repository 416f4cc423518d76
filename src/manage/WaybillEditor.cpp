#include "manage/WaybillEditor.h"

#include "carriers/CarrierCatalogue.h"
#include "store/DaysInTransit.h"
#include "store/WaybillStore.h"

namespace WaybillEditor {

QString chosenCarrier(const QString &listText)
{
    return listText == CarrierCatalogue::kSeparator ? QString() : listText;
}

Outcome quickAdd(WaybillStore &store, const Waybill &typed, const QDate &today)
{
    if (typed.number.isEmpty())
        return Outcome::failure(kEmptyNumber);
    Waybill row = typed;
    row.carrier = chosenCarrier(typed.carrier);
    if (row.carrier.isEmpty())
        return Outcome::failure(kNoCarrier);
    Outcome checked;
    const bool exists = store.numberExists(row.number, &checked);
    if (!checked)
        return checked;
    if (exists)
        return Outcome::failure(kNumberExists);
    const QString days = DaysInTransit::fromTimeText(row.time, today).value_or(QStringLiteral(""));
    return store.insertQuickAdd(row, days);
}

Outcome modify(WaybillStore &store, const QString &oldNumber, const QString &oldCarrier, const Waybill &edited,
               const std::optional<Waybill> &asRead)
{
    if (edited.number.isEmpty())
        return Outcome::failure(kEmptyNumber);
    Waybill row = edited;
    row.carrier = chosenCarrier(edited.carrier);
    if (row.carrier.isEmpty())
        row.carrier = oldCarrier;

    Outcome checked;
    const bool present = store.numberExists(oldNumber, &checked);
    if (!checked)
        return checked;
    if (!present)
        return Outcome::failure(asRead ? WaybillStore::kDeletedElsewhere : kRowGone);
    if (row.number == oldNumber)
        return store.updateKeepingNumber(row, asRead);
    // The store finds the number taken on its normal form, the row being edited
    // apart: the same number typed otherwise is no clash with itself.
    return store.updateChangingNumber(oldNumber, row, row.carrier != oldCarrier, asRead);
}

} // namespace WaybillEditor
