#pragma once

#include "app/TypedCarrierChoice.h"
#include "carriers/CarrierCatalogue.h"

#include <QObject>

class Browser;
class CarrierControls;
class InfoPane;
class InputPane;
class KnownNumbers;
class Launcher;
class WaybillChoice;

// Which carrier and data source the main window is on: the carrier controls,
// the line under 单号 with its automatic choice, a history pick and the
// settings' default carrier all end in the same choice, and the page of
// that carrier follows it.
class CarrierSelection final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        CarrierControls &carriers;
        InputPane &input;
        InfoPane &info;
        WaybillChoice &choice;
        const KnownNumbers &known;
    };
    CarrierSelection(QString dataFolder, Parts parts, Browser &browser, Launcher &launcher, QObject *parent);

    // The stored data source and default carrier, as at start.
    void applyStored();
    void numberTyped(const QString &text);
    void historyPick(const QString &number, const QString &carrierName);
    void selectCarrier(const Carrier &carrier);
    void selectDataSource(DataSource source);
    void openCarrierHomePage();
    DataSource dataSource() const;
    // A batch runs under the window's carrier only when the user chose it.
    bool carrierChosenByUser() const { return m_typed.chosenByUser(); }

Q_SIGNALS:
    // The page of a running detailed pass is about to change; `why` says so.
    void pageChanging(const QString &why);
    void dataSourceChanged(DataSource source);

private:
    void selectButton(int button);
    void setButtonOn(int button);
    void selectListedCarrier();
    void selectListEntry(int index);
    void showCarrier(const Carrier &carrier);
    void navigate(const QString &address);
    void userChose();
    void updateDetection();
    void chooseDetected(const Carrier &carrier);
    void forgetAutoChosenCarrier();
    void hintLink(const QString &link);

    QString m_dataFolder;
    Parts m_parts;
    Browser &m_browser;
    Launcher &m_launcher;
    TypedCarrierChoice m_typed; // the carrier for the number typed in 单号
};
