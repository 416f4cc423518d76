// Carrier and data-source selection on the main window.
#include "app/MainWindow.h"
#include "app/QueryControls.h"

#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "query/Browser.h"
#include "settings/AppSettings.h"
#include "app/CarrierControls.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTimer>

void MainWindow::updateStatusLine()
{
    statusLineLabel->setText(statusLine());
}

QString MainWindow::statusLine() const
{
    return QStringLiteral("当前快递单号：") + m_choice->number() + QStringLiteral("   公司：") + m_choice->carrierName();
}

DataSource MainWindow::currentDataSource() const
{
    return m_carriers->source();
}

void MainWindow::navigate(const QString &address)
{
    if (!address.isEmpty())
        m_browser->navigate(address);
}

// The hotline is the last shown carrier's: a source click or a pick of a
// carrier without a control leaves it.
void MainWindow::showCarrier(const Carrier &carrier)
{
    m_choice->setCarrier(carrier.name);
    m_infoPane->setHotline(carrier.hotline);
}

// The labels of the 信息 group and the status line follow the choice.
void MainWindow::showChoice()
{
    m_infoPane->setNumberAndCarrier(m_choice->number(), m_choice->carrierName());
    updateStatusLine();
}

void MainWindow::selectCarrier(int button)
{
    stopDetailedPass(QStringLiteral("更换了快递公司，详细查询已停止"));
    const Carrier &carrier = *CarrierCatalogue::buttonCarriers().at(button);
    clearOtherCarrierList();
    showCarrier(carrier);
    navigate(TrackingPageAddress(carrier, currentDataSource()));
}

void MainWindow::setCarrierButtonOn(int button)
{
    // Setting a button on in code acts like a click, also when it is already on,
    // so that its page is requested afresh.
    m_carriers->setButtonOn(button);
    selectCarrier(button);
}

void MainWindow::turnCarrierButtonsOff()
{
    m_carriers->turnButtonsOff();
}

void MainWindow::clearOtherCarrierList()
{
    m_carriers->clearList();
}

void MainWindow::selectListEntry(int index)
{
    m_carriers->setListRow(index);
    selectListedCarrier();
}

void MainWindow::selectListedCarrier()
{
    turnCarrierButtonsOff();
    const Carrier *carrier = m_carriers->listedCarrier();
    if (!carrier)
        return;
    stopDetailedPass(QStringLiteral("更换了快递公司，详细查询已停止"));
    showCarrier(*carrier);
    navigate(TrackingPageAddress(*carrier, currentDataSource()));
}

void MainWindow::selectDataSource(DataSource source)
{
    stopDetailedPass(QStringLiteral("更换了数据来源，详细查询已停止"));
    m_carriers->setSource(source);
    m_choice->clearCarrier();
    // The line under 单号 speaks of the carrier just cleared.
    m_typedCarrier.carrierCleared();
    m_inputPane->dropHint();
    AppSettings::write(m_dataFolder, AppSettings::kDataSource, DataSources::configValue(source));
    updateStatusLine();
    m_queryControls->setConciseEnabled(source == DataSource::Default);
    m_queryControls->setConciseTip(source == DataSource::Default ? QStringLiteral("仅查询最后一条记录")
                                                                 : QStringLiteral("简洁查询只能在默认来源下使用"));
    turnCarrierButtonsOff();
    clearOtherCarrierList();
}

void MainWindow::applyStartSelection()
{
    const DataSource source = DataSources::fromConfigValue(AppSettings::read(m_dataFolder, AppSettings::kDataSource));
    if (source != DataSource::None)
        selectDataSource(source);

    if (const Carrier *carrier =
            FindCarrierByConfigCode(AppSettings::read(m_dataFolder, AppSettings::kDefaultCarrier))) {
        if (carrier->isButton()) {
            setCarrierButtonOn(carrier->controlIndex);
        } else if (carrier->isListEntry()) {
            navigate(StartupPageAddress(*carrier));
            selectListEntry(carrier->controlIndex);
            showCarrier(*carrier);
        }
    }

    // Text that is no number counts as 0.
    m_inputPane->setAutoSave(AppSettings::readNumber(AppSettings::read(m_dataFolder, AppSettings::kAutoSave)) != 0);
    loadHistory();
}

void MainWindow::historyPick(const QString &number, const QString &carrierName)
{
    m_choice->setCarrier(carrierName);
    m_choice->setNumber(number);
    const Carrier *carrier = m_choice->carrier();
    if (!carrier)
        return;
    if (carrier->isButton()) {
        setCarrierButtonOn(carrier->controlIndex);
        clearOtherCarrierList();
    } else if (carrier->isListEntry()) {
        turnCarrierButtonsOff();
        selectListEntry(carrier->controlIndex);
        showCarrier(*carrier);
        navigate(TrackingPageAddress(*carrier, currentDataSource()));
    }
}

void MainWindow::openCarrierHomePage()
{
    if (const Carrier *carrier = m_carriers->buttonCarrier())
        m_launcher.openUrl(carrier->homePage);
    if (const Carrier *carrier = m_carriers->listedCarrier())
        m_launcher.openUrl(carrier->homePage);
}
