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

    const struct {
        QSpinBox **box;
        const char *name;
        const char *caption;
        const char *suffix;
        const char *tip;
    } flags[] = {
        {&collectHours, "collectHours", "揽收超时：", " 小时", "按“时间”算，这么久仍无揽收记录的快递单列为揽收超时"},
        {&silentDays, "silentDays", "超时未更新：", " 天", "物流记录这么多天没有新的一条，列为超时未更新"},
        {&transitDays, "transitDays", "超时未签收：", " 天", "在途超过这么多天仍未签收，列为超时未签收"},
        {&pickupDays, "pickupDays", "待取超时：", " 天", "放入快递柜或驿站这么多天仍未取件，列为待取超时"},
    };
    for (const auto &f : flags) {
        auto *box = new QSpinBox(this);
        box->setObjectName(QString::fromLatin1(f.name));
        box->setSuffix(QString::fromUtf8(f.suffix));
        box->setToolTip(QString::fromUtf8(f.tip));
        auto *label = new QLabel(QString::fromUtf8(f.caption), this);
        label->setBuddy(box);
        box->setAccessibleName(label->text().chopped(1));
        form->addRow(label, box);
        *f.box = box;
    }
    for (const auto &[key, box] : limits()) {
        box->setRange(1, WatchSettings::limitMaximum(key));
        box->setValue(AppSettings::defaultFor(key).toInt());
    }
}

QVector<QPair<QString, QSpinBox *>> WatchSettingsBox::limits() const
{
    return {{AppSettings::kCollectHours, collectHours},
            {AppSettings::kSilentDays, silentDays},
            {AppSettings::kTransitDays, transitDays},
            {AppSettings::kPickupDays, pickupDays}};
}

void WatchSettingsBox::load(const QString &programFolder)
{
    archiveDays->setValue(WatchSettings::archiveDays(programFolder));
    autoRefresh->setChecked(WatchSettings::autoRefresh(programFolder));
    refreshHours->setValue(WatchSettings::refreshHours(programFolder));
    signingNotice->setChecked(WatchSettings::signingNotice(programFolder));
    for (const auto &[key, box] : limits())
        box->setValue(WatchSettings::limit(programFolder, key));
}

void WatchSettingsBox::addTo(AppSettings::Changes &changes) const
{
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    changes.set(AppSettings::kAutoRefresh, flag(autoRefresh->isChecked()));
    changes.set(AppSettings::kRefreshHours, QString::number(refreshHours->value()));
    changes.set(AppSettings::kSigningNotice, flag(signingNotice->isChecked()));
    changes.set(AppSettings::kArchiveDays, QString::number(archiveDays->value()));
    for (const auto &[key, box] : limits())
        changes.set(key, QString::number(box->value()));
}

QStringList WatchSettingsBox::save(const QString &programFolder) const
{
    AppSettings::Changes changes;
    addTo(changes);
    if (const Outcome written = changes.save(programFolder); !written)
        return {written.error};
    return {};
}
