#pragma once

#include <QString>
#include <QStringList>

// What a user put into 单号, read as people paste it: from a chat or a shop's
// page the number comes with a label before it ("运单号："), grouped by
// dashes or blanks, in full-width forms, and now and then with a second
// number. The register's normal form (WaybillNumber::normalForm) stays as it
// was, so stored numbers match as before; the reading happens here, where
// typed and pasted text enters.
namespace CarrierDetection {

struct TypedNumber {
    QString number;      // normal form, label and separators gone; empty when none or several
    QStringList several; // each number in normal form, when the text holds more than one
};
TypedNumber readTyped(QStringView text);

} // namespace CarrierDetection
