// Carrier and data-source selection on the main window.
#include "app/MainWindow.h"

#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "query/Browser.h"
#include "settings/AppSettings.h"
#include "store/HistoryModel.h"

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
    if (defaultSourceOption->isChecked())
        return DataSource::Default;
    if (backupSource2Option->isChecked())
        return DataSource::Backup2;
    if (backupSource1Option->isChecked())
        return DataSource::Backup1;
    return DataSource::None;
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
    hotlineValueLabel->setText(carrier.hotline);
}

// The labels of the 信息 group and the status line follow the choice.
void MainWindow::showChoice()
{
    numberValueLabel->setText(m_choice->number());
    carrierValueLabel->setText(m_choice->carrierName());
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

// A choice runs its action however it is made: a click (also on the button
// already on, which requests its page afresh), the arrow keys or Space, or a
// screen reader's action. Buttons set in code run nothing here.
void MainWindow::whenChosen(QRadioButton *button, std::function<void()> action)
{
    auto fromToggle = std::make_shared<bool>(false);
    connect(button, &QRadioButton::toggled, this, [this, action, fromToggle](bool on) {
        if (!on || m_choosingInCode)
            return;
        *fromToggle = true; // the click that may follow is the same choice
        QTimer::singleShot(0, this, [fromToggle] { *fromToggle = false; });
        action();
    });
    connect(button, &QRadioButton::clicked, this, [this, action, fromToggle] {
        if (std::exchange(*fromToggle, false) || m_choosingInCode)
            return;
        action();
    });
}

void MainWindow::setCarrierButtonOn(int button)
{
    // Setting a button on in code acts like a click, also when it is already on,
    // so that its page is requested afresh.
    {
        const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
        carrierOptions[button]->setChecked(true);
    }
    selectCarrier(button);
}

void MainWindow::turnCarrierButtonsOff()
{
    const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
    m_carrierButtons->setExclusive(false);
    for (QRadioButton *b : carrierOptions)
        b->setChecked(false);
    m_carrierButtons->setExclusive(true);
}

void MainWindow::clearOtherCarrierList()
{
    m_suppressListAction = true;
    otherCarriersList->clearSelection();
    otherCarriersList->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    m_suppressListAction = false;
}

void MainWindow::selectListEntry(int index)
{
    m_suppressListAction = true;
    otherCarriersList->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    m_suppressListAction = false;
    selectListedCarrier();
}

void MainWindow::selectListedCarrier()
{
    turnCarrierButtonsOff();
    const QList<QListWidgetItem *> selected = otherCarriersList->selectedItems();
    const Carrier *carrier = FindCarrierByName(selected.isEmpty() ? QString() : selected.first()->text());
    if (!carrier || !carrier->isListEntry())
        return;
    stopDetailedPass(QStringLiteral("更换了快递公司，详细查询已停止"));
    showCarrier(*carrier);
    navigate(TrackingPageAddress(*carrier, currentDataSource()));
}

void MainWindow::selectDataSource(DataSource source)
{
    stopDetailedPass(QStringLiteral("更换了数据来源，详细查询已停止"));
    {
        const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
        if (source == DataSource::Default)
            defaultSourceOption->setChecked(true);
        else if (source == DataSource::Backup1)
            backupSource1Option->setChecked(true);
        else if (source == DataSource::Backup2)
            backupSource2Option->setChecked(true);
    }
    m_choice->clearCarrier();
    // The line under 单号 speaks of the carrier just cleared.
    m_autoChosen = nullptr;
    m_offered = {};
    detectionLabel->clear();
    detectionLabel->hide();
    AppSettings::write(m_dataFolder, AppSettings::kDataSource, DataSources::configValue(source));
    updateStatusLine();
    conciseQueryButton->setEnabled(source == DataSource::Default);
    conciseQueryButton->setToolTip(source == DataSource::Default ? QStringLiteral("仅查询最后一条记录")
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
    autoSaveCheckBox->setChecked(AppSettings::readNumber(AppSettings::read(m_dataFolder, AppSettings::kAutoSave)) != 0);
    loadHistory();
}

void MainWindow::historyPick(int row)
{
    if (row < 0 || row >= m_history->rowCount())
        return;
    const HistoryModel::Row &picked = m_history->row(row);
    m_choice->setCarrier(picked.carrier);
    m_choice->setNumber(picked.number);
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
    for (QRadioButton *b : carrierOptions) {
        if (b->isChecked())
            m_launcher.openUrl(CarrierCatalogue::buttonCarriers().at(m_carrierButtons->id(b))->homePage);
    }
    const QList<QListWidgetItem *> selected = otherCarriersList->selectedItems();
    if (!selected.isEmpty()) {
        const Carrier *carrier = FindCarrierByName(selected.first()->text());
        if (carrier && carrier->isListEntry())
            m_launcher.openUrl(carrier->homePage);
    }
}
