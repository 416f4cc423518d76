#include "settings/SettingsDialog.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "core/BuildHelpers.h"
#include "core/Dialogs.h"
#include "services/KeyStore.h"
#include "settings/AppSettings.h"
#include "settings/ApplySkin.h"
#include "settings/AutoStart.h"
#include "settings/ReadDelay.h"
#include "settings/RegisterLocationBox.h"
#include "settings/ServiceSettingsBox.h"
#include "settings/Skins.h"
#include "settings/WatchSettingsBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kDelayTip = QStringLiteral("该值取决于网络速度，一般越大的话，越便于成功获取数据。");
} // namespace

SettingsDialog::SettingsDialog(const QString &programFolder, Dialogs &dialogs, AutoStart &autoStart, int readIntervalMs,
                               QWidget *parent, KeyStore *keyStore)
    : QDialog(parent), m_programFolder(programFolder), m_dialogs(dialogs), m_autoStart(autoStart),
      m_keyStore(keyStore ? keyStore : new KeyStore(this)), m_readIntervalMs(readIntervalMs)
{
    build();
}

void SettingsDialog::buildDefaultsGroup()
{
    defaultsGroup = named(new QGroupBox(QStringLiteral("快递设置"), this), "defaultsGroup");
    defaultCarrierLabel = named(new QLabel(QStringLiteral("默认快递:"), defaultsGroup), "defaultCarrierLabel");
    defaultCarrierCombo = named(new QComboBox(defaultsGroup), "defaultCarrierCombo");
    defaultCarrierCombo->addItems(CarrierCatalogue::settingsDialogEntries());
    defaultCarrierCombo->setPlaceholderText(QStringLiteral("（不更改）"));
    defaultCarrierCombo->setCurrentIndex(-1);
    defaultCarrierCombo->setAccessibleName(QStringLiteral("默认快递"));
    defaultCarrierLabel->setBuddy(defaultCarrierCombo);

    defaultSkinLabel = named(new QLabel(QStringLiteral("默认皮肤:"), defaultsGroup), "defaultSkinLabel");
    defaultSkinCombo = named(new QComboBox(defaultsGroup), "defaultSkinCombo");
    for (const Skin *skin : Skins::dialogOrder())
        defaultSkinCombo->addItem(skin->caption);
    defaultSkinCombo->setCurrentIndex(-1);
    defaultSkinCombo->setAccessibleName(QStringLiteral("默认皮肤"));
    defaultSkinLabel->setBuddy(defaultSkinCombo);

    auto *lists = new QFormLayout(defaultsGroup);
    lists->addRow(defaultCarrierLabel, defaultCarrierCombo);
    lists->addRow(defaultSkinLabel, defaultSkinCombo);
}

void SettingsDialog::buildOtherSettingsGroup()
{
    otherSettingsGroup = named(new QGroupBox(QStringLiteral("其它设置"), this), "otherSettingsGroup");
    autoStartCheckBox =
        named(new QCheckBox(QStringLiteral("自动随windows启动"), otherSettingsGroup), "autoStartCheckBox");
    autoStartCheckBox->setAccessibleName(autoStartCheckBox->text());
    noUpdatePromptCheckBox =
        named(new QCheckBox(QStringLiteral("取消更新提示"), otherSettingsGroup), "noUpdatePromptCheckBox");
    noUpdatePromptCheckBox->setAccessibleName(noUpdatePromptCheckBox->text());
    readDelayLabel = named(new QLabel(QStringLiteral("读取延迟："), otherSettingsGroup), "readDelayLabel");
    readDelayLabel->setToolTip(kDelayTip);
    readDelayEdit = named(new QLineEdit(QStringLiteral("4"), otherSettingsGroup), "readDelayEdit");
    readDelayEdit->setToolTip(kDelayTip);
    readDelayEdit->setAccessibleName(QStringLiteral("读取延迟"));
    readDelayEdit->setAccessibleDescription(kDelayTip);
    readDelayEdit->setMaximumWidth(60);
    readDelayLabel->setBuddy(readDelayEdit);
    readDelayUnitLabel = named(new QLabel(QStringLiteral("秒"), otherSettingsGroup), "readDelayUnitLabel");
    readDelayHintLabel = named(new QLabel(otherSettingsGroup), "readDelayHintLabel");
    readDelayHintLabel->setWordWrap(true);
    readDelayHintLabel->setStyleSheet(QStringLiteral("color: #c62828;"));
    readDelayHintLabel->setToolTip(QStringLiteral("读取延迟的提示"));
    readDelayHintLabel->setAccessibleDescription(readDelayHintLabel->toolTip()); // its name is the hint it shows
    readDelayHintLabel->hide();

    auto *delayRow = new QHBoxLayout;
    delayRow->addWidget(readDelayLabel);
    delayRow->addWidget(readDelayEdit);
    delayRow->addWidget(readDelayUnitLabel);
    delayRow->addStretch(1);
    auto *others = new QVBoxLayout(otherSettingsGroup);
    others->addWidget(autoStartCheckBox);
    others->addWidget(noUpdatePromptCheckBox);
    others->addLayout(delayRow);
    others->addWidget(readDelayHintLabel);
}

void SettingsDialog::build()
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(301, 262);

    buildDefaultsGroup();
    buildOtherSettingsGroup();

    saveButton = named(new QPushButton(QStringLiteral("保存设置"), this), "saveButton");
    leaveButton = named(new QPushButton(QStringLiteral("退出"), this), "leaveButton");
    saveButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton);
    buttons->addWidget(leaveButton);

    // The groups scroll, the buttons stay: on a laptop's 768 pixels the whole
    // dialog would not fit.
    auto *groups = new QWidget;
    auto *groupsLayout = new QVBoxLayout(groups);
    groupsLayout->setContentsMargins(0, 0, 0, 0);
    groupsLayout->addWidget(defaultsGroup);
    groupsLayout->addWidget(otherSettingsGroup);
    watchSettingsGroup = named(new WatchSettingsBox(groups), "watchSettingsGroup");
    groupsLayout->addWidget(watchSettingsGroup);
    registerLocationGroup = named(new RegisterLocationBox(groups), "registerLocationGroup");
    groupsLayout->addWidget(registerLocationGroup);
    serviceSettingsGroup = named(new ServiceSettingsBox(*m_keyStore, groups), "serviceSettingsGroup");
    groupsLayout->addWidget(serviceSettingsGroup);
    groupsLayout->addStretch(1);
    m_scroll = named(new QScrollArea(this), "settingsScrollArea");
    m_scroll->setWidget(groups);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(buttons);

    connect(defaultSkinCombo, &QComboBox::activated, this, &SettingsDialog::previewSkin);
    connect(autoStartCheckBox, &QCheckBox::clicked, this, &SettingsDialog::applyAutoStart);
    connect(noUpdatePromptCheckBox, &QCheckBox::clicked, this, &SettingsDialog::applyUpdatePrompt);
    connect(readDelayEdit, &QLineEdit::textChanged, this, &SettingsDialog::applyReadDelay);
    connect(saveButton, &QPushButton::clicked, this, &SettingsDialog::save);
    // The keyring answers after the dialog has said 设置成功 and gone: a key
    // it refused must not go unnoticed until the next opening.
    connect(serviceSettingsGroup, &ServiceSettingsBox::keyStored, this, [this](bool inKeyring, const QString &message) {
        if (!inKeyring)
            m_dialogs.information(this, Program::kTitle, message);
    });
    connect(leaveButton, &QPushButton::clicked, this, &SettingsDialog::leave);
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    // As tall as its groups, but no taller than the screen leaves room for.
    if (!m_sized) {
        m_sized = true;
        const QWidget *groups = m_scroll->widget();
        const QMargins margins = layout()->contentsMargins();
        const int frame = frameGeometry().height() - geometry().height();
        const int buttons = saveButton->sizeHint().height() + layout()->spacing();
        const int wanted = groups->sizeHint().height() + buttons + margins.top() + margins.bottom();
        const int room = screen() ? screen()->availableGeometry().height() - frame - 40 : wanted;
        const int width = groups->sizeHint().width() + m_scroll->verticalScrollBar()->sizeHint().width() +
                          margins.left() + margins.right();
        resize(std::max(this->width(), width), std::min(wanted, room));
    }
    QDialog::showEvent(event);
}

// Each field set here acts as if the user had set it: the skin is attached
// again, a checked box runs its click, a stored delay is applied.
void SettingsDialog::load()
{
    // The stored default carrier is shown; saving without a change keeps it.
    if (const Carrier *stored =
            FindCarrierByConfigCode(AppSettings::read(m_programFolder, AppSettings::kDefaultCarrier)))
        defaultCarrierCombo->setCurrentIndex(m_storedCarrierIndex = defaultCarrierCombo->findText(stored->name));
    if (AppSettings::readNumber(AppSettings::read(m_programFolder, AppSettings::kAutoUpdate)) == 1) {
        noUpdatePromptCheckBox->setChecked(true);
        applyUpdatePrompt();
    }

    const Skin &skin = SkinFromSetting(AppSettings::read(m_programFolder, AppSettings::kSkin));
    const int skinIndex = defaultSkinCombo->findText(skin.caption);
    defaultSkinCombo->setCurrentIndex(skinIndex);
    previewSkin(skinIndex);

    // textChanged fires only when the stored text differs from the initial "4".
    readDelayEdit->setText(AppSettings::read(m_programFolder, AppSettings::kReadDelay));

    if (AppSettings::readNumber(AppSettings::read(m_programFolder, AppSettings::kAutoStart)) == 1) {
        autoStartCheckBox->setChecked(true);
        applyAutoStart();
    }
    watchSettingsGroup->load(m_programFolder);
    registerLocationGroup->load(m_programFolder);
    serviceSettingsGroup->load(m_programFolder);
}

void SettingsDialog::previewSkin(int index)
{
    if (const Skin *skin = Skins::findByCaption(defaultSkinCombo->itemText(index)))
        ApplySkin(m_programFolder, skin->relativePath);
}

void SettingsDialog::applyAutoStart()
{
    const bool wanted = autoStartCheckBox->isChecked();
    if (Outcome changed = m_autoStart.StartWithWindows(wanted, QCoreApplication::applicationFilePath()); !changed) {
        // The box shows what is really registered, not what was asked for.
        autoStartCheckBox->setChecked(m_autoStart.IsEnabled());
        m_dialogs.critical(this, Program::kTitle, changed.error);
    }
    // The entry takes effect at once, so config.ini follows it at once too:
    // leaving with "退出" must not leave the two disagreeing.
    const QString state = m_autoStart.IsEnabled() ? QStringLiteral("1") : QStringLiteral("0");
    if (AppSettings::read(m_programFolder, AppSettings::kAutoStart) != state) {
        if (Outcome written = AppSettings::write(m_programFolder, AppSettings::kAutoStart, state); !written)
            m_dialogs.critical(this, Program::kTitle, written.error);
    }
}

void SettingsDialog::applyUpdatePrompt()
{
    Q_EMIT updateCheckIntervalChanged(noUpdatePromptCheckBox->isChecked() ? 0 : 6000);
}

void SettingsDialog::applyReadDelay(const QString &text)
{
    const ReadDelay::Verdict verdict = ReadDelay::Evaluate(text);
    if (!verdict.replacement.isEmpty()) {
        readDelayEdit->setText(verdict.replacement); // changes the text again, which applies it
        return;
    }
    if (verdict.intervalMs > 0) {
        m_readIntervalMs = verdict.intervalMs;
        Q_EMIT readIntervalChanged(verdict.intervalMs);
        readDelayHintLabel->hide();
        readDelayHintLabel->clear();
        readDelayEdit->setToolTip(kDelayTip);
        return;
    }
    const QString hint =
        QStringLiteral("%1（当前 %2 秒）").arg(verdict.problem, QString::number(m_readIntervalMs / 1000.0));
    readDelayHintLabel->setText(hint);
    readDelayHintLabel->show();
    readDelayEdit->setToolTip(hint + QLatin1Char('\n') + kDelayTip);
}

void SettingsDialog::save()
{
    QStringList failures;
    auto keep = [&failures](const Outcome &outcome) {
        if (!outcome)
            failures << outcome.error;
    };
    AppSettings::Changes changes; // saved in one write at the end

    if (const Skin *skin = Skins::findByCaption(defaultSkinCombo->currentText());
        skin && defaultSkinCombo->currentIndex() >= 0)
        changes.set(AppSettings::kSkin, skin->dialogValue);

    // The stored carrier shown unchanged is no new choice.
    if (defaultCarrierCombo->currentIndex() >= 0 && defaultCarrierCombo->currentIndex() != m_storedCarrierIndex) {
        const Carrier *carrier = FindCarrierByName(defaultCarrierCombo->currentText());
        if (carrier && !carrier->configCode.isEmpty()) {
            changes.set(AppSettings::kDefaultCarrier, carrier->configCode);
            Q_EMIT carrierChosen(*carrier);
            m_storedCarrierIndex = defaultCarrierCombo->currentIndex();
        }
    }

    const bool autoStart = autoStartCheckBox->isChecked();
    keep(m_autoStart.StartWithWindows(autoStart, QCoreApplication::applicationFilePath()));
    changes.set(AppSettings::kAutoStart, autoStart ? QStringLiteral("1") : QStringLiteral("0"));

    const bool noUpdateCheck = noUpdatePromptCheckBox->isChecked();
    Q_EMIT updateCheckIntervalChanged(noUpdateCheck ? 0 : 6000);
    changes.set(AppSettings::kAutoUpdate, noUpdateCheck ? QStringLiteral("1") : QStringLiteral("0"));

    // Kept as typed, even when it is not a valid delay: it is never applied
    // as such, and the next opening shows the user what they wrote.
    changes.set(AppSettings::kReadDelay, readDelayEdit->text());
    watchSettingsGroup->addTo(changes);
    const bool moved = registerLocationGroup->changed();
    registerLocationGroup->addTo(changes);
    keep(changes.save(m_programFolder));
    failures << serviceSettingsGroup->save(m_programFolder);

    if (!failures.isEmpty()) {
        // Stay open, so the user can try again once the cause is fixed.
        m_dialogs.critical(this, Program::kTitle,
                           QStringLiteral("设置未能全部保存：\n") + failures.join(QLatin1Char('\n')));
        return;
    }
    // The main window keeps the register it opened; the windows opened from now on read config.ini again.
    m_dialogs.information(
        this, Program::kTitle,
        moved ? QStringLiteral("设置成功！\n登记簿位置已更改：之后打开的快递单管理、统计等窗口使用新的位置，"
                               "主窗口的保存和查询重新启动程序后生效。")
              : QStringLiteral("设置成功！"));
    registerLocationGroup->load(m_programFolder);
    hide();
}

bool SettingsDialog::confirmLeave()
{
    return m_dialogs.askOkCancel(this, Program::kTitle, QStringLiteral("确定已经保存并退出吗？？？"));
}

void SettingsDialog::leave()
{
    if (confirmLeave())
        hide();
}

void SettingsDialog::reject()
{
    leave();
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    if (confirmLeave())
        event->accept();
    else
        event->ignore();
}
