#include "settings/SettingsDialog.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "core/Dialogs.h"
#include "settings/AppSettings.h"
#include "settings/WatchSettingsBox.h"
#include "settings/ApplySkin.h"
#include "settings/AutoStart.h"
#include "settings/MainWindowLink.h"
#include "settings/ReadDelay.h"
#include "settings/Skins.h"

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
#include <QVBoxLayout>

namespace {
const QString kDelayTip = QStringLiteral("该值取决于网络速度，一般越大的话，越便于成功获取数据。");
} // namespace

SettingsDialog::SettingsDialog(const QString &programFolder, Dialogs &dialogs, MainWindowLink &mainWindow, AutoStart &autoStart,
             QWidget *parent)
    : QDialog(parent), m_programFolder(programFolder), m_dialogs(dialogs), m_mainWindow(mainWindow),
      m_autoStart(autoStart)
{
    build();
    Form_Load();
}

void SettingsDialog::build()
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(301, 262);

    auto named = [this](auto *widget, const char *name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };

    Frame2 = named(new QGroupBox(QStringLiteral("快递设置"), this), "Frame2");
    Label1 = named(new QLabel(QStringLiteral("默认快递:"), Frame2), "Label1");
    List1 = named(new QComboBox(Frame2), "List1");
    List1->addItems(CarrierCatalogue::settingsDialogEntries());
    List1->setPlaceholderText(QStringLiteral("（不更改）"));
    List1->setCurrentIndex(-1);
    List1->setAccessibleName(QStringLiteral("默认快递"));
    Label1->setBuddy(List1);

    Label2 = named(new QLabel(QStringLiteral("默认皮肤:"), Frame2), "Label2");
    List2 = named(new QComboBox(Frame2), "List2");
    for (const Skin *skin : Skins::dialogOrder())
        List2->addItem(skin->caption);
    List2->setCurrentIndex(-1);
    List2->setAccessibleName(QStringLiteral("默认皮肤"));
    Label2->setBuddy(List2);

    auto *lists = new QFormLayout(Frame2);
    lists->addRow(Label1, List1);
    lists->addRow(Label2, List2);

    Frame1 = named(new QGroupBox(QStringLiteral("其它设置"), this), "Frame1");
    Check1 = named(new QCheckBox(QStringLiteral("自动随windows启动"), Frame1), "Check1");
    Check1->setAccessibleName(Check1->text());
    Check2 = named(new QCheckBox(QStringLiteral("取消更新提示"), Frame1), "Check2");
    Check2->setAccessibleName(Check2->text());
    Label9 = named(new QLabel(QStringLiteral("读取延迟："), Frame1), "Label9");
    Label9->setToolTip(kDelayTip);
    Text3 = named(new QLineEdit(QStringLiteral("4"), Frame1), "Text3");
    Text3->setToolTip(kDelayTip);
    Text3->setAccessibleName(QStringLiteral("读取延迟"));
    Text3->setAccessibleDescription(kDelayTip);
    Text3->setMaximumWidth(60);
    Label9->setBuddy(Text3);
    Label10 = named(new QLabel(QStringLiteral("秒"), Frame1), "Label10");
    m_delayHint = new QLabel(Frame1);
    m_delayHint->setObjectName(QStringLiteral("delayHint"));
    m_delayHint->setWordWrap(true);
    m_delayHint->setStyleSheet(QStringLiteral("color: #c62828;"));
    m_delayHint->setToolTip(QStringLiteral("读取延迟的提示"));
    m_delayHint->setAccessibleName(m_delayHint->toolTip());
    m_delayHint->hide();

    auto *delayRow = new QHBoxLayout;
    delayRow->addWidget(Label9);
    delayRow->addWidget(Text3);
    delayRow->addWidget(Label10);
    delayRow->addStretch(1);
    auto *others = new QVBoxLayout(Frame1);
    others->addWidget(Check1);
    others->addWidget(Check2);
    others->addLayout(delayRow);
    others->addWidget(m_delayHint);

    Command1 = named(new QPushButton(QStringLiteral("保存设置"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("退出"), this), "Command2");
    Command1->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addWidget(Frame1);
    watchSettings = new WatchSettingsBox(this);
    layout->addWidget(watchSettings);
    layout->addLayout(buttons);

    connect(List2, &QComboBox::activated, this, &SettingsDialog::List2_Click);
    connect(Check1, &QCheckBox::clicked, this, &SettingsDialog::Check1_Click);
    connect(Check2, &QCheckBox::clicked, this, &SettingsDialog::Check2_Click);
    connect(Text3, &QLineEdit::textChanged, this, &SettingsDialog::Text3_Change);
    connect(Command1, &QPushButton::clicked, this, &SettingsDialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SettingsDialog::Command2_Click);
}

// Each field set here acts as if the user had set it: the skin is attached
// again, a checked box runs its click, a stored delay is applied.
void SettingsDialog::Form_Load()
{
    // The stored default carrier is shown; saving without a change keeps it.
    if (const Carrier *stored =
            FindCarrierByConfigCode(AppSettings::read(m_programFolder, AppSettings::kDefaultCarrier)))
        List1->setCurrentIndex(m_storedCarrierIndex = List1->findText(stored->name));
    if (AppSettings::readNumber(AppSettings::read(m_programFolder, AppSettings::kAutoUpdate)) == 1) {
        Check2->setChecked(true);
        Check2_Click();
    }

    const Skin &skin = SkinFromSetting(AppSettings::read(m_programFolder, AppSettings::kSkin));
    const int skinIndex = List2->findText(skin.caption);
    List2->setCurrentIndex(skinIndex);
    List2_Click(skinIndex);

    // textChanged fires only when the stored text differs from the initial "4".
    Text3->setText(AppSettings::read(m_programFolder, AppSettings::kReadDelay));

    if (AppSettings::readNumber(AppSettings::read(m_programFolder, AppSettings::kAutoStart)) == 1) {
        Check1->setChecked(true);
        Check1_Click();
    }
    watchSettings->load(m_programFolder);
}

void SettingsDialog::List2_Click(int index)
{
    if (const Skin *skin = Skins::findByCaption(List2->itemText(index)))
        ApplySkin(m_programFolder, skin->relativePath);
}

void SettingsDialog::Check1_Click()
{
    const bool wanted = Check1->isChecked();
    if (Outcome changed = m_autoStart.StartWithWindows(wanted, QCoreApplication::applicationFilePath()); !changed) {
        // The box shows what is really registered, not what was asked for.
        Check1->setChecked(m_autoStart.IsEnabled());
        m_dialogs.critical(this, Program::kTitle, changed.error);
    }
}

void SettingsDialog::Check2_Click()
{
    m_mainWindow.SetUpdateCheckInterval(Check2->isChecked() ? 0 : 6000);
}

void SettingsDialog::Text3_Change(const QString &text)
{
    const ReadDelay::Verdict verdict = ReadDelay::Evaluate(text);
    if (!verdict.replacement.isEmpty()) {
        Text3->setText(verdict.replacement); // changes the text again, which applies it
        return;
    }
    if (verdict.intervalMs > 0) {
        m_mainWindow.SetHarvestInterval(verdict.intervalMs);
        m_delayHint->hide();
        m_delayHint->clear();
        Text3->setToolTip(kDelayTip);
        return;
    }
    const QString hint = QStringLiteral("%1（当前 %2 秒）")
                             .arg(verdict.problem, QString::number(m_mainWindow.HarvestInterval() / 1000.0));
    m_delayHint->setText(hint);
    m_delayHint->show();
    Text3->setToolTip(hint + QLatin1Char('\n') + kDelayTip);
}

void SettingsDialog::Command1_Click()
{
    QStringList failures;
    auto keep = [&failures](const Outcome &outcome) {
        if (!outcome)
            failures << outcome.error;
    };
    AppSettings::Changes changes; // saved in one write at the end

    if (const Skin *skin = Skins::findByCaption(List2->currentText()); skin && List2->currentIndex() >= 0)
        changes.set(AppSettings::kSkin, skin->dialogValue);

    // The stored carrier shown unchanged is no new choice.
    if (List1->currentIndex() >= 0 && List1->currentIndex() != m_storedCarrierIndex) {
        const Carrier *carrier = FindCarrierByName(List1->currentText());
        if (carrier && !carrier->configCode.isEmpty()) {
            changes.set(AppSettings::kDefaultCarrier, carrier->configCode);
            m_mainWindow.SelectCarrierFromSettings(*carrier);
            m_storedCarrierIndex = List1->currentIndex();
        }
    }

    const bool autoStart = Check1->isChecked();
    keep(m_autoStart.StartWithWindows(autoStart, QCoreApplication::applicationFilePath()));
    changes.set(AppSettings::kAutoStart, autoStart ? QStringLiteral("1") : QStringLiteral("0"));

    const bool noUpdateCheck = Check2->isChecked();
    m_mainWindow.SetUpdateCheckInterval(noUpdateCheck ? 0 : 6000);
    changes.set(AppSettings::kAutoUpdate, noUpdateCheck ? QStringLiteral("1") : QStringLiteral("0"));

    // Kept as typed, even when it is not a valid delay: it is never applied
    // as such, and the next opening shows the user what they wrote.
    changes.set(AppSettings::kReadDelay, Text3->text());
    watchSettings->addTo(changes);
    keep(changes.save(m_programFolder));

    if (!failures.isEmpty()) {
        // Stay open, so the user can try again once the cause is fixed.
        m_dialogs.critical(this, Program::kTitle,
                           QStringLiteral("设置未能全部保存：\n") + failures.join(QLatin1Char('\n')));
        return;
    }
    m_dialogs.information(this, Program::kTitle, QStringLiteral("设置成功！"));
    hide();
}

bool SettingsDialog::confirmLeave()
{
    return m_dialogs.askOkCancel(this, Program::kTitle, QStringLiteral("确定已经保存并退出吗？？？"));
}

void SettingsDialog::Command2_Click()
{
    if (confirmLeave())
        hide();
}

void SettingsDialog::reject()
{
    Command2_Click();
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    if (confirmLeave())
        event->accept();
    else
        event->ignore();
}
