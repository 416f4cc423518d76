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

void MainWindow::UpdateStatusLine()
{
    StatusPanel1->setText(statusLine());
}

QString MainWindow::statusLine() const
{
    return QStringLiteral("当前快递单号：") + Label4->text() + QStringLiteral("   公司：") + Label6->text();
}

DataSource MainWindow::currentDataSource() const
{
    if (Option14->isChecked())
        return DataSource::Default;
    if (Option17->isChecked())
        return DataSource::Backup2;
    if (Option18->isChecked())
        return DataSource::Backup1;
    return DataSource::None;
}

void MainWindow::navigate(const QString &address)
{
    if (!address.isEmpty())
        m_browser->navigate(address);
}

void MainWindow::showCarrier(const Carrier &carrier)
{
    Label6->setText(carrier.name);
    Label26->setText(carrier.hotline);
    UpdateStatusLine();
}

void MainWindow::SelectCarrier(int button)
{
    stopDetailedPass(QStringLiteral("更换了快递公司，详细查询已停止"));
    const Carrier &carrier = *CarrierCatalogue::buttonCarriers().at(button);
    ClearOtherCarrierList();
    showCarrier(carrier);
    navigate(TrackingPageAddress(carrier, currentDataSource()));
}

void MainWindow::setCarrierButtonOn(int button)
{
    // Setting a button on in code acts like a click, also when it is already on,
    // so that its page is requested afresh.
    {
        const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
        Option[button]->setChecked(true);
    }
    SelectCarrier(button);
}

void MainWindow::turnCarrierButtonsOff()
{
    const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
    m_carrierButtons->setExclusive(false);
    for (QRadioButton *b : Option)
        b->setChecked(false);
    m_carrierButtons->setExclusive(true);
}

void MainWindow::ClearOtherCarrierList()
{
    m_suppressListAction = true;
    List1->clearSelection();
    List1->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    m_suppressListAction = false;
}

void MainWindow::selectListEntry(int index)
{
    m_suppressListAction = true;
    List1->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    m_suppressListAction = false;
    List1_Action();
}

void MainWindow::List1_Action()
{
    turnCarrierButtonsOff();
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    const Carrier *carrier = FindCarrierByName(selected.isEmpty() ? QString() : selected.first()->text());
    if (!carrier || !carrier->isListEntry())
        return;
    stopDetailedPass(QStringLiteral("更换了快递公司，详细查询已停止"));
    showCarrier(*carrier);
    navigate(TrackingPageAddress(*carrier, currentDataSource()));
}

void MainWindow::SelectDataSource(DataSource source)
{
    stopDetailedPass(QStringLiteral("更换了数据来源，详细查询已停止"));
    {
        const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
        if (source == DataSource::Default)
            Option14->setChecked(true);
        else if (source == DataSource::Backup1)
            Option18->setChecked(true);
        else if (source == DataSource::Backup2)
            Option17->setChecked(true);
    }
    Label6->setText(QString());
    AppSettings::write(m_dataFolder, AppSettings::kDataSource, DataSources::configValue(source));
    UpdateStatusLine();
    Command12->setEnabled(source == DataSource::Default);
    Command12->setToolTip(source == DataSource::Default ? QStringLiteral("仅查询最后一条记录")
                                                        : QStringLiteral("简洁查询只能在默认来源下使用"));
    turnCarrierButtonsOff();
    ClearOtherCarrierList();
}

void MainWindow::delay()
{
    const DataSource source = DataSources::fromConfigValue(AppSettings::read(m_dataFolder, AppSettings::kDataSource));
    if (source != DataSource::None)
        SelectDataSource(source);

    if (const Carrier *carrier =
            FindCarrierByConfigCode(AppSettings::read(m_dataFolder, AppSettings::kDefaultCarrier))) {
        if (carrier->isButton()) {
            setCarrierButtonOn(carrier->controlIndex);
        } else if (carrier->isListEntry()) {
            navigate(StartupPageAddress(*carrier));
            selectListEntry(carrier->controlIndex);
            Label6->setText(carrier->name);
            Label26->setText(carrier->hotline);
        }
    }

    // Text that is no number counts as 0.
    Check1->setChecked(AppSettings::readNumber(AppSettings::read(m_dataFolder, AppSettings::kAutoSave)) != 0);
    LoadData();
}

void MainWindow::historyPick(int row)
{
    if (row < 0 || row >= m_history->rowCount())
        return;
    const HistoryModel::Row &picked = m_history->row(row);
    Label6->setText(picked.carrier);
    Label4->setText(picked.number);
    UpdateStatusLine();
    const Carrier *carrier = FindCarrierByName(Label6->text());
    if (!carrier)
        return;
    if (carrier->isButton()) {
        setCarrierButtonOn(carrier->controlIndex);
        ClearOtherCarrierList();
    } else if (carrier->isListEntry()) {
        turnCarrierButtonsOff();
        selectListEntry(carrier->controlIndex);
        showCarrier(*carrier);
        navigate(TrackingPageAddress(*carrier, currentDataSource()));
    }
}

void MainWindow::Command7_Click()
{
    for (QRadioButton *b : Option) {
        if (b->isChecked())
            m_launcher.openUrl(CarrierCatalogue::buttonCarriers().at(m_carrierButtons->id(b))->homePage);
    }
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    if (!selected.isEmpty()) {
        const Carrier *carrier = FindCarrierByName(selected.first()->text());
        if (carrier && carrier->isListEntry())
            m_launcher.openUrl(carrier->homePage);
    }
}
