// The carrier and data source the main window is on, and the carrier that
// the number typed in 单号 gets.
#include "app/CarrierSelection.h"

#include "app/CarrierControls.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "app/KnownNumbers.h"
#include "carriers/WaybillChoice.h"
#include "core/Dialogs.h"
#include "query/Browser.h"
#include "settings/AppSettings.h"
#include "store/Waybill.h"

#include <QScopedValueRollback>

namespace {
const QString kCarrierChanged = QStringLiteral("更换了快递公司，详细查询已停止");
} // namespace

CarrierSelection::CarrierSelection(QString dataFolder, Parts parts, Browser &browser, Launcher &launcher,
                                   QObject *parent)
    : QObject(parent), m_dataFolder(std::move(dataFolder)), m_parts(parts), m_browser(browser), m_launcher(launcher)
{
    connect(&m_parts.carriers, &CarrierControls::buttonChosen, this, [this](int button) {
        selectButton(button);
        userChose();
    });
    connect(&m_parts.carriers, &CarrierControls::listChosen, this, [this] {
        selectListedCarrier();
        userChose();
    });
    connect(&m_parts.carriers, &CarrierControls::sourceChosen, this, &CarrierSelection::selectDataSource);
    connect(&m_parts.info, &InfoPane::homePageClicked, this, &CarrierSelection::openCarrierHomePage);
    connect(&m_parts.input, &InputPane::hintLinkActivated, this, &CarrierSelection::hintLink);
    // Enter takes the first carrier offered.
    connect(&m_parts.input, &InputPane::numberEntered, this, [this] {
        if (m_typed.offersAny() && !m_parts.choice.hasCarrier())
            hintLink(QStringLiteral("0"));
    });
}

DataSource CarrierSelection::dataSource() const
{
    return m_parts.carriers.source();
}

void CarrierSelection::navigate(const QString &address)
{
    if (!address.isEmpty())
        m_browser.navigate(address);
}

// The hotline is the last shown carrier's: a source click or a pick of a
// carrier without a control leaves it.
void CarrierSelection::showCarrier(const Carrier &carrier)
{
    m_parts.choice.setCarrier(carrier.name);
    m_parts.info.setHotline(carrier.hotline);
}

void CarrierSelection::selectButton(int button)
{
    Q_EMIT pageChanging(kCarrierChanged);
    const Carrier &carrier = *CarrierCatalogue::buttonCarriers().at(button);
    m_parts.carriers.clearList();
    showCarrier(carrier);
    navigate(TrackingPageAddress(carrier, dataSource()));
}

void CarrierSelection::setButtonOn(int button)
{
    // Setting a button on in code acts like a click, also when it is already on,
    // so that its page is requested afresh.
    m_parts.carriers.setButtonOn(button);
    selectButton(button);
}

void CarrierSelection::selectListEntry(int index)
{
    m_parts.carriers.setListRow(index);
    selectListedCarrier();
}

void CarrierSelection::selectListedCarrier()
{
    m_parts.carriers.turnButtonsOff();
    const Carrier *carrier = m_parts.carriers.listedCarrier();
    if (!carrier)
        return;
    Q_EMIT pageChanging(kCarrierChanged);
    showCarrier(*carrier);
    navigate(TrackingPageAddress(*carrier, dataSource()));
}

// From the settings' default carrier: a button or a list entry, never a
// carrier without a page.
void CarrierSelection::selectCarrier(const Carrier &carrier)
{
    if (carrier.isButton()) {
        setButtonOn(carrier.controlIndex);
        m_parts.carriers.clearList();
    } else if (carrier.isListEntry()) {
        selectListEntry(carrier.controlIndex);
        m_parts.carriers.turnButtonsOff();
    }
}

void CarrierSelection::selectDataSource(DataSource source)
{
    Q_EMIT pageChanging(QStringLiteral("更换了数据来源，详细查询已停止"));
    m_parts.carriers.setSource(source);
    m_parts.choice.clearCarrier();
    // The line under 单号 speaks of the carrier just cleared.
    m_typed.carrierCleared();
    m_parts.input.dropHint();
    AppSettings::write(m_dataFolder, AppSettings::kDataSource, DataSources::configValue(source));
    m_parts.carriers.turnButtonsOff();
    m_parts.carriers.clearList();
    Q_EMIT dataSourceChanged(source);
}

void CarrierSelection::applyStored()
{
    const DataSource source = DataSources::fromConfigValue(AppSettings::read(m_dataFolder, AppSettings::kDataSource));
    if (source != DataSource::None)
        selectDataSource(source);
    const Carrier *carrier = FindCarrierByConfigCode(AppSettings::read(m_dataFolder, AppSettings::kDefaultCarrier));
    if (!carrier)
        return;
    if (carrier->isButton()) {
        setButtonOn(carrier->controlIndex);
    } else if (carrier->isListEntry()) {
        navigate(StartupPageAddress(*carrier));
        selectListEntry(carrier->controlIndex);
        showCarrier(*carrier);
    }
}

void CarrierSelection::historyPick(const QString &number, const QString &carrierName)
{
    m_parts.choice.setCarrier(carrierName);
    m_parts.choice.setNumber(number);
    const Carrier *carrier = m_parts.choice.carrier();
    if (!carrier)
        return;
    if (carrier->isButton()) {
        setButtonOn(carrier->controlIndex);
        m_parts.carriers.clearList();
    } else if (carrier->isListEntry()) {
        m_parts.carriers.turnButtonsOff();
        selectListEntry(carrier->controlIndex);
        showCarrier(*carrier);
        navigate(TrackingPageAddress(*carrier, dataSource()));
    }
}

void CarrierSelection::openCarrierHomePage()
{
    if (const Carrier *carrier = m_parts.carriers.buttonCarrier())
        m_launcher.openUrl(carrier->homePage);
    if (const Carrier *carrier = m_parts.carriers.listedCarrier())
        m_launcher.openUrl(carrier->homePage);
}

// --- the carrier of the typed number ---------------------------------------

void CarrierSelection::userChose()
{
    m_typed.userChose();
    m_parts.input.hideHint();
}

void CarrierSelection::numberTyped(const QString &text)
{
    // The number is the choice's as it will be stored and queried.
    m_parts.choice.setNumber(WaybillNumber::normalForm(text));
    updateDetection();
}

void CarrierSelection::updateDetection()
{
    // A label or dashes pasted with the number leave the box: it holds the
    // number as it is stored. Through insert(), so Ctrl+Z brings them back;
    // the change comes back here.
    static bool rewriting = false;
    if (!rewriting) {
        const QString number = TypedCarrierChoice::rewriteOf(m_parts.input.number());
        if (!number.isEmpty()) {
            const QScopedValueRollback<bool> once(rewriting, true);
            m_parts.input.replaceNumber(number);
            return;
        }
    }
    const TypedCarrierChoice::Step step =
        m_typed.typed(m_parts.input.number(), m_parts.choice.carrierName(), &m_parts.known.index());
    if (step.forget)
        forgetAutoChosenCarrier();
    if (step.choose)
        chooseDetected(*step.choose);
    if (step.hint.isEmpty())
        m_parts.input.hideHint();
    else
        m_parts.input.showHint(step.hint, m_typed.autoChosen());
}

// The carrier controls after an automatic choice is undone.
void CarrierSelection::forgetAutoChosenCarrier()
{
    m_parts.carriers.turnButtonsOff();
    m_parts.carriers.clearList();
    m_parts.choice.clearCarrier();
    m_parts.info.setHotline(QString());
}

void CarrierSelection::chooseDetected(const Carrier &carrier)
{
    if (carrier.isButton()) {
        setButtonOn(carrier.controlIndex);
        m_parts.carriers.clearList();
    } else if (carrier.isListEntry()) {
        m_parts.carriers.turnButtonsOff();
        selectListEntry(carrier.controlIndex);
    } else {
        // A carrier without a page can still be queried by the concise query.
        m_parts.carriers.turnButtonsOff();
        m_parts.carriers.clearList();
        showCarrier(carrier);
    }
}

void CarrierSelection::hintLink(const QString &link)
{
    if (link == QLatin1String("undo")) {
        m_typed.undo(m_parts.input.number());
        forgetAutoChosenCarrier();
        updateDetection();
        return;
    }
    bool ok = false;
    const Carrier *carrier = m_typed.offered(link.toInt(&ok));
    if (!ok || !carrier)
        return;
    chooseDetected(*carrier);
    userChose();
}
