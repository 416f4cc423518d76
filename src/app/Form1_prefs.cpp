// Skins, the settings dialog and the update check, as the main window sees them.
#include "app/Form1.h"

#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "settings/AppSettings.h"
#include "settings/ApplySkin.h"
#include "settings/AutoStart.h"
#include "settings/Form5.h"
#include "settings/Skins.h"
#include "update/UpdateCheck.h"
#include "update/gengxin.h"

#include <QAction>
#include <QActionGroup>
#include <QRadioButton>

namespace {
QAction *skinAction(Form1 &w, int skin)
{
    QAction *actions[] = {w.moren, w.jdqq, w.jpjm, w.hskx};
    return actions[skin];
}
} // namespace

void Form1::applyStoredSkin()
{
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        group->addAction(skinAction(*this, i));
        connect(skinAction(*this, i), &QAction::triggered, this, [this, i] { chooseSkinFromMenu(i); });
    }
    const Skin &stored = SkinFromSetting(AppSettings::read(m_dataFolder, AppSettings::kSkin));
    const int index = int(&stored - Skins::all().data());
    skinAction(*this, index)->setChecked(true);
    ApplySkin(m_dataFolder, stored.relativePath);
}

void Form1::chooseSkinFromMenu(int skin)
{
    const Skin &chosen = Skins::all().at(skin);
    ApplySkin(m_dataFolder, chosen.relativePath);
    AppSettings::write(m_dataFolder, AppSettings::kSkin, chosen.menuValue);
    skinAction(*this, skin)->setChecked(true);
}

Form5 *Form1::settingsWindow() const
{
    return m_settings;
}

gengxin *Form1::updateWindow() const
{
    return m_update;
}

void Form1::showSettings()
{
    if (!m_autoStart)
        m_autoStart = std::make_unique<AutoStart>();
    if (!m_settings)
        m_settings = new Form5(m_dataFolder, m_dialogs, *this, *m_autoStart, this);
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void Form1::showUpdateWindow()
{
    // A window hidden by its buttons shows its earlier result again; one
    // closed with its close box is made anew and checks again.
    if (!m_update)
        m_update = new gengxin(m_dataFolder, m_launcher, this);
    m_update->show();
    m_update->raise();
}

void Form1::Timer3_Timer()
{
    Timer3->setEnabled(false);
    if (!m_updateCheck) {
        m_updateCheck = new UpdateCheck(this);
        connect(m_updateCheck, &UpdateCheck::finished, this, [this](const UpdateResult &result) {
            // At start only an offer is shown; a failed check stays silent.
            if (result.kind != UpdateResult::Differ)
                return;
            if (m_update)
                delete m_update;
            m_update = new gengxin(m_dataFolder, m_launcher, result, this);
            m_update->show();
        });
    }
    m_updateCheck->start(m_dataFolder);
}

void Form1::SelectCarrierFromSettings(const Carrier &carrier)
{
    if (carrier.isButton()) {
        setCarrierButtonOn(carrier.controlIndex);
        ClearOtherCarrierList();
    } else if (carrier.isListEntry()) {
        selectListEntry(carrier.controlIndex);
        turnCarrierButtonsOff();
    }
}

void Form1::SetHarvestInterval(int ms)
{
    Timer1->setInterval(ms);
}

int Form1::HarvestInterval() const
{
    return Timer1->interval();
}

void Form1::SetUpdateCheckInterval(int ms)
{
    Timer3->setInterval(ms);
}
