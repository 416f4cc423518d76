// The working areas of the main window, each a pane of its own: what the
// window wires between them.
#include "app/MainWindow.h"

#include "app/CarrierControls.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "app/QueryControls.h"
#include "app/ResultsPane.h"
#include "app/MainWindow_build.h"
#include "store/Waybill.h"

#include <QPushButton>

void MainWindow::buildCarrierArea(QWidget *parent)
{
    m_carriers = new CarrierControls(parent);
    connect(m_carriers, &CarrierControls::buttonChosen, this, [this](int button) {
        selectCarrier(button);
        userChoseCarrier();
    });
    connect(m_carriers, &CarrierControls::listChosen, this, [this] {
        selectListedCarrier();
        userChoseCarrier();
    });
    connect(m_carriers, &CarrierControls::sourceChosen, this, &MainWindow::selectDataSource);

    m_infoPane = new InfoPane(parent);
    connect(m_infoPane, &InfoPane::homePageClicked, this, &MainWindow::openCarrierHomePage);
}

void MainWindow::buildQueryArea(QWidget *parent)
{
    m_queryControls = new QueryControls(parent);

    m_results = new ResultsPane(parent);
    connect(m_results, &ResultsPane::saveConciseClicked, this, &MainWindow::saveConciseResults);
    connect(m_results, &ResultsPane::saveDetailedClicked, this, &MainWindow::saveDetailedResults);
    connect(m_results, &ResultsPane::clearClicked, this, &MainWindow::clearResults);
}

void MainWindow::buildInputArea(QWidget *parent)
{
    m_inputPane = new InputPane(m_register, parent);
    connect(m_inputPane, &InputPane::fieldChanged, this, &MainWindow::formChanged);
    // Enter in 单号 queries it as 简洁查询 does, after the detection has taken the
    // carrier it offers on the same Enter; a disabled button ignores it.
    connect(m_inputPane, &InputPane::numberEntered, m_queryControls, &QueryControls::clickConcise,
            Qt::QueuedConnection);
    connect(m_inputPane, &InputPane::saveClicked, this, &MainWindow::saveInput);
    connect(m_inputPane, &InputPane::autoSaveClicked, this, &MainWindow::storeAutoSave);
}
