#include "services/ServiceStatus.h"

#include "services/WaybillStatus.h"

#include <QHash>

using namespace WaybillStatus;

namespace {

QString lookup(const QHash<int, QString> &table, int code)
{
    return table.value(code);
}

} // namespace

namespace ServiceStatus {

QString kuaidi100(int code)
{
    static const QHash<int, QString> table = {
        {0, kInTransit},
        {1001, kInTransit},
        {1002, kInTransit},
        {1003, kInTransit},
        {1, kPickedUp},
        {101, kAwaitingCollection},
        {102, kAwaitingCollection},
        {103, kPickedUp},
        {2, kTrouble},
        {201, kTrouble},
        {202, kTrouble},
        {203, kReturning},
        {204, kTrouble},
        // Overdue in a locker or station: the parcel still waits to be fetched.
        {205, kAwaitingPickup},
        {206, kTrouble},
        {207, kTrouble},
        {208, kTrouble},
        {209, kTrouble},
        {210, kTrouble},
        {3, kSigned},
        {301, kSigned},
        {302, kSigned},
        {303, kSigned},
        {304, kSigned},
        // 退签 is the sender signing for the return. A cancelled bill (401) is
        // no delivery at all, so it is a case to look into.
        {4, kReturnSigned},
        {401, kTrouble},
        {14, kReturning},
        {5, kOutForDelivery},
        {501, kAwaitingPickup},
        {6, kReturning},
        {7, kRedirected},
        {8, kCustoms},
        {10, kCustoms},
        {11, kCustoms},
        {12, kCustoms},
        {13, kCustoms},
    };
    return lookup(table, code);
}

QString kdniao(int code)
{
    static const QHash<int, QString> table = {
        {1, kPickedUp},
        {10, kAwaitingCollection},
        {2, kInTransit},
        {201, kInTransit},
        {204, kInTransit},
        {205, kInTransit},
        {206, kInTransit},
        {202, kOutForDelivery},
        {211, kAwaitingPickup},
        {3, kSigned},
        {301, kSigned},
        {302, kSigned},
        {304, kSigned},
        {311, kSigned},
        {4, kTrouble},
        // Shipped on paper, nothing from the carrier yet.
        {401, kAwaitingCollection},
        {402, kTrouble},
        {403, kTrouble},
        {404, kReturning},
        {405, kTrouble},
        {406, kReturnSigned},
        {407, kReturning},
        {412, kAwaitingPickup},
        {413, kTrouble},
        {414, kTrouble},
        {415, kTrouble},
        {416, kTrouble},
        {417, kTrouble},
        {418, kTrouble},
        {419, kOutForDelivery},
        {420, kTrouble},
        {421, kTrouble},
        {422, kTrouble},
        {423, kTrouble},
        {5, kRedirected},
        {6, kCustoms},
        {601, kCustoms},
        {602, kCustoms},
        {603, kCustoms},
        {604, kCustoms},
    };
    return lookup(table, code);
}

QString track17(const QString &status)
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("InfoReceived"), kAwaitingCollection},
        {QStringLiteral("InTransit"), kInTransit},
        {QStringLiteral("InTransit_PickedUp"), kPickedUp},
        {QStringLiteral("InTransit_Other"), kInTransit},
        {QStringLiteral("InTransit_Departure"), kInTransit},
        {QStringLiteral("InTransit_Arrival"), kInTransit},
        {QStringLiteral("InTransit_CustomsProcessing"), kCustoms},
        {QStringLiteral("InTransit_CustomsReleased"), kCustoms},
        {QStringLiteral("InTransit_CustomsRequiringInformation"), kCustoms},
        {QStringLiteral("Expired"), kTrouble},
        {QStringLiteral("Expired_Other"), kTrouble},
        {QStringLiteral("AvailableForPickup"), kAwaitingPickup},
        {QStringLiteral("AvailableForPickup_Other"), kAwaitingPickup},
        {QStringLiteral("OutForDelivery"), kOutForDelivery},
        {QStringLiteral("OutForDelivery_Other"), kOutForDelivery},
        {QStringLiteral("DeliveryFailure"), kTrouble},
        {QStringLiteral("DeliveryFailure_Other"), kTrouble},
        {QStringLiteral("DeliveryFailure_NoBody"), kTrouble},
        {QStringLiteral("DeliveryFailure_Security"), kTrouble},
        {QStringLiteral("DeliveryFailure_Rejected"), kReturning},
        {QStringLiteral("DeliveryFailure_InvalidAddress"), kTrouble},
        {QStringLiteral("Delivered"), kSigned},
        {QStringLiteral("Delivered_Other"), kSigned},
        {QStringLiteral("Exception"), kTrouble},
        {QStringLiteral("Exception_Other"), kTrouble},
        {QStringLiteral("Exception_Returning"), kReturning},
        {QStringLiteral("Exception_Returned"), kReturnSigned},
        {QStringLiteral("Exception_NoBody"), kTrouble},
        {QStringLiteral("Exception_Security"), kTrouble},
        {QStringLiteral("Exception_Damage"), kTrouble},
        {QStringLiteral("Exception_Rejected"), kReturning},
        {QStringLiteral("Exception_Delayed"), kTrouble},
        {QStringLiteral("Exception_Lost"), kTrouble},
        {QStringLiteral("Exception_Destroyed"), kTrouble},
        {QStringLiteral("Exception_Cancel"), kTrouble},
    };
    return table.value(status);
}

} // namespace ServiceStatus
