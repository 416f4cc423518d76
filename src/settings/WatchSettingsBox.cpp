#include "settings/WatchSettingsBox.h"

#include "settings/WatchSettings.h"

#include "settings/AppSettings.h"
#include "store/Archive.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

WatchSettingsBox::WatchSettingsBox(QWidget *parent) : QGroupBox(QStringLiteral("自动刷新与归档"), parent)
{
    archiveDays = new QSpinBox(this);
    archiveDays->setObjectName(QStringLiteral("archiveDays"));
    archiveDays->setRange(1, Archive::kMaxDays);
    archiveDays->setValue(Archive::kDefaultDays);
    archiveDays->setSuffix(QStringLiteral(" 天"));
    archiveDays->setAccessibleName(QStringLiteral("归档天数"));
    archiveDays->setToolTip(QStringLiteral("已签收超过这么多天的快递单不再列出，勾选“显示已归档”可再看到"));
    auto *caption = new QLabel(QStringLiteral("归档天数："), this);
    caption->setBuddy(archiveDays);

    autoRefresh = new QCheckBox(QStringLiteral("自动刷新"), this);
    autoRefresh->setObjectName(QStringLiteral("autoRefresh"));
    autoRefresh->setAccessibleName(autoRefresh->text());
    autoRefresh->setToolTip(QStringLiteral("程序运行时（包括在托盘中）自动查询未签收的快递单"));
    refreshHours = new QSpinBox(this);
    refreshHours->setObjectName(QStringLiteral("refreshHours"));
    refreshHours->setRange(1, WatchSettings::kMaxRefreshHours);
    refreshHours->setValue(WatchSettings::kDefaultRefreshHours);
    refreshHours->setSuffix(QStringLiteral(" 小时"));
    refreshHours->setAccessibleName(QStringLiteral("刷新间隔"));
    refreshHours->setToolTip(QStringLiteral("同一快递单两次自动查询之间至少相隔的时间"));
    auto *hoursCaption = new QLabel(QStringLiteral("刷新间隔："), this);
    hoursCaption->setBuddy(refreshHours);
    signingNotice = new QCheckBox(QStringLiteral("签收提醒"), this);
    signingNotice->setObjectName(QStringLiteral("signingNotice"));
    signingNotice->setAccessibleName(signingNotice->text());
    signingNotice->setToolTip(QStringLiteral("快递单签收时在托盘提示一次"));
    signingNotice->setChecked(true);

    auto *form = new QFormLayout(this);
    form->addRow(autoRefresh);
    form->addRow(hoursCaption, refreshHours);
    form->addRow(signingNotice);
    form->addRow(caption, archiveDays);
}

void WatchSettingsBox::load(const QString &programFolder)
{
    archiveDays->setValue(WatchSettings::archiveDays(programFolder));
    autoRefresh->setChecked(WatchSettings::autoRefresh(programFolder));
    refreshHours->setValue(WatchSettings::refreshHours(programFolder));
    signingNotice->setChecked(WatchSettings::signingNotice(programFolder));
}

void WatchSettingsBox::addTo(AppSettings::Changes &changes) const
{
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    changes.set(AppSettings::kAutoRefresh, flag(autoRefresh->isChecked()));
    changes.set(AppSettings::kRefreshHours, QString::number(refreshHours->value()));
    changes.set(AppSettings::kSigningNotice, flag(signingNotice->isChecked()));
    changes.set(AppSettings::kArchiveDays, QString::number(archiveDays->value()));
}

QStringList WatchSettingsBox::save(const QString &programFolder) const
{
    AppSettings::Changes changes;
    addTo(changes);
    if (const Outcome written = changes.save(programFolder); !written)
        return {written.error};
    return {};
}
