#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The three tracking data sources of the main window.
enum class DataSource { None, Default, Backup1, Backup2 };

namespace DataSources {
// The value stored under "数据来源": "mrly", "byly1", "byly2"; None has none.
QString configValue(DataSource source);
// Exact match only; anything else (the fallback "0" included) is None.
DataSource fromConfigValue(const QString &value);
} // namespace DataSources

// One express carrier, identified everywhere by its display name.
struct Carrier final {
    enum class Control { Button, List, None };

    int row = 0; // 1-based catalogue row
    QString name;
    Control control = Control::None;
    int controlIndex = -1; // 0-based: the main window's carrier button or other-carrier list entry
    QString tooltip;
    QString configCode; // empty: cannot be the default carrier
    QString apiCode;
    QString defaultPage;
    QString backup1Page;
    QString backup2Page;
    QString hotline;
    QString homePage;
    // The tracking service answers for it only with the last four digits of
    // the sender's or receiver's telephone.
    bool needsPhoneDigits = false;
    // The carrier's code on each account service: 快递100 and 快递鸟 leave it
    // empty for a carrier they do not know; 17TRACK's numeric carrier key as
    // text, empty to let 17TRACK detect the carrier from the number.
    QString kuaidi100Code;
    QString kdniaoCode;
    QString track17Code;

    bool isButton() const { return control == Control::Button; }
    bool isListEntry() const { return control == Control::List; }
};

namespace CarrierCatalogue {

inline const QString kSeparator = QStringLiteral("********");

// Every row in catalogue order: the 27 classic rows, then 京东物流, 极兔速递
// and 中国邮政 (rows 28 to 30).
const QVector<Carrier> &all();
// Rows 1 to 12 (the main window's buttons), and 13 to 25 and 28 to 30 (its
// other-carrier list).
QVector<const Carrier *> buttonCarriers();
QVector<const Carrier *> listCarriers();

// The carrier lists of the dialogs, separator included.
QStringList settingsDialogEntries();
QStringList quickAddEntries();
QStringList modifyEntries();

} // namespace CarrierCatalogue

// Exact, whole-string, case-sensitive lookups; nullptr when nothing matches.
const Carrier *FindCarrierByName(const QString &name);
const Carrier *FindCarrierByConfigCode(const QString &code);

// The tracking page of a carrier under a data source. Backup source 2 falls
// back to backup source 1's page for carriers that source 2 lacks, and no
// source at all means backup source 1. Empty for a carrier without pages.
QString TrackingPageAddress(const Carrier &carrier, DataSource source);
// The source whose page that address is, so that its own field, button and
// marker lines are the ones used.
DataSource TrackingPageSource(const Carrier &carrier, DataSource source);
// The default page on the default source's alternate host.
QString StartupPageAddress(const Carrier &carrier);
