#include "settings/WatchSettings.h"

#include "settings/AppSettings.h"
#include "store/Archive.h"

#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace {
int wholeNumber(const QString &programFolder, const QString &key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = AppSettings::read(programFolder, key).trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}
} // namespace

int WatchSettings::archiveDays(const QString &programFolder)
{
    return wholeNumber(programFolder, AppSettings::kArchiveDays, Archive::kDefaultDays, 1, Archive::kMaxDays);
}

WatchSettingsBox::WatchSettingsBox(QWidget *parent) : QGroupBox(QStringLiteral("归档"), parent)
{
    setObjectName(QStringLiteral("watchSettings"));
    archiveDays = new QSpinBox(this);
    archiveDays->setObjectName(QStringLiteral("archiveDays"));
    archiveDays->setRange(1, Archive::kMaxDays);
    archiveDays->setValue(Archive::kDefaultDays);
    archiveDays->setSuffix(QStringLiteral(" 天"));
    archiveDays->setAccessibleName(QStringLiteral("归档天数"));
    archiveDays->setToolTip(QStringLiteral("已签收超过这么多天的快递单不再列出，勾选“显示已归档”可再看到"));
    auto *caption = new QLabel(QStringLiteral("归档天数："), this);
    caption->setBuddy(archiveDays);
    auto *form = new QFormLayout(this);
    form->addRow(caption, archiveDays);
}

void WatchSettingsBox::load(const QString &programFolder)
{
    archiveDays->setValue(WatchSettings::archiveDays(programFolder));
}

QStringList WatchSettingsBox::save(const QString &programFolder) const
{
    QStringList failures;
    if (const Outcome written =
            AppSettings::write(programFolder, AppSettings::kArchiveDays, QString::number(archiveDays->value()));
        !written)
        failures << written.error;
    return failures;
}
