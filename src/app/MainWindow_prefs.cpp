// Skins, the settings dialog and the update check, as the main window sees them.
#include "app/MainWindow.h"

#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "manage/RegisterCopyWindow.h"
#include "settings/AppSettings.h"
#include "settings/ApplySkin.h"
#include "settings/AutoStart.h"
#include "settings/RegisterLocationBox.h"
#include "settings/SettingsDialog.h"
#include "settings/ServiceSettingsBox.h"
#include "query/TrackingServices.h"
#include "settings/Skins.h"
#include "update/UpdateCheck.h"
#include "update/UpdateWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QRadioButton>

QAction *MainWindow::skinAction(int skin) const
{
    QAction *const actions[] = {defaultSkinAction, classicQqSkinAction, blocksSkinAction, darkSkinAction};
    return actions[skin];
}

void MainWindow::applyStoredSkin()
{
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        group->addAction(skinAction(i));
        connect(skinAction(i), &QAction::triggered, this, [this, i] { chooseSkinFromMenu(i); });
    }
    const Skin &stored = SkinFromSetting(AppSettings::read(m_dataFolder, AppSettings::kSkin));
    const int index = int(&stored - Skins::all().data());
    skinAction(index)->setChecked(true);
    ApplySkin(m_dataFolder, stored.relativePath);
}

void MainWindow::chooseSkinFromMenu(int skin)
{
    const Skin &chosen = Skins::all().at(skin);
    ApplySkin(m_dataFolder, chosen.relativePath);
    AppSettings::write(m_dataFolder, AppSettings::kSkin, chosen.menuValue);
    skinAction(skin)->setChecked(true);
}

SettingsDialog *MainWindow::settingsWindow() const
{
    return m_settings;
}

UpdateWindow *MainWindow::updateWindow() const
{
    return m_update;
}

void MainWindow::showSettings()
{
    if (!m_autoStart)
        m_autoStart = std::make_unique<AutoStart>();
    if (!m_settings) {
        m_settings =
            new SettingsDialog(m_dataFolder, m_dialogs, *m_autoStart, pageReadTimer->interval(), this, m_keyStore);
        // A key saved (or kept for the run) and a service chosen serve the next pass.
        connect(m_settings->serviceSettingsGroup, &ServiceSettingsBox::servicesChanged, m_services,
                &TrackingServices::reload);
        connect(m_settings, &SettingsDialog::carrierChosen, this, &MainWindow::selectCarrierFromSettings);
        connect(m_settings, &SettingsDialog::readIntervalChanged, pageReadTimer, &ClassicTimer::setInterval);
        connect(m_settings, &SettingsDialog::updateCheckIntervalChanged, updateCheckTimer, &ClassicTimer::setInterval);
        connect(m_settings->registerLocationGroup, &RegisterLocationBox::copyToServerAsked, this,
                [this](const StoreLocation &local, const ServerLocation &server) {
                    showRegisterCopy(local, StoreLocation(server));
                });
        connect(m_settings->registerLocationGroup, &RegisterLocationBox::copyFromServerAsked, this,
                [this](const ServerLocation &server) {
                    Dialogs::FileRequest request;
                    request.title = QStringLiteral("复制服务器登记簿到本机文件");
                    request.folder = m_dataFolder;
                    request.fileName = QStringLiteral("服务器登记簿副本.db");
                    request.filters = {QStringLiteral("登记簿(*.db)")};
                    request.defaultSuffix = QStringLiteral("db");
                    // An existing file is never replaced: the copy itself says so.
                    request.confirmOverwrite = false;
                    const QString file = m_dialogs.saveFile(m_settings, request);
                    if (!file.isEmpty())
                        showRegisterCopy(StoreLocation(server), StoreLocation(file));
                });
        m_settings->load();
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void MainWindow::showRegisterCopy(const StoreLocation &source, const StoreLocation &target)
{
    auto *window = new RegisterCopyWindow(source, target, m_settings);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

void MainWindow::showUpdateWindow()
{
    // A window hidden by its buttons shows its earlier result again; one
    // closed with its close box is made anew and checks again.
    if (!m_update)
        m_update = new UpdateWindow(m_dataFolder, m_launcher, this);
    m_update->show();
    m_update->raise();
}

void MainWindow::onUpdateCheckTick()
{
    updateCheckTimer->setEnabled(false);
    if (!m_updateCheck) {
        m_updateCheck = new UpdateCheck(this);
        connect(m_updateCheck, &UpdateCheck::finished, this, [this](const UpdateResult &result) {
            // At start only an offer is shown; a failed check stays silent.
            if (result.kind != UpdateResult::Newer)
                return;
            if (m_update)
                delete m_update;
            m_update = new UpdateWindow(m_dataFolder, m_launcher, result, this);
            m_update->show();
        });
    }
    m_updateCheck->start(m_dataFolder);
}

void MainWindow::selectCarrierFromSettings(const Carrier &carrier)
{
    if (carrier.isButton()) {
        setCarrierButtonOn(carrier.controlIndex);
        clearOtherCarrierList();
    } else if (carrier.isListEntry()) {
        selectListEntry(carrier.controlIndex);
        turnCarrierButtonsOff();
    }
}
