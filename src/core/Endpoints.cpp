#include "core/Endpoints.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
Endpoints &instance()
{
    static Endpoints endpoints;
    return endpoints;
}

QString trimmedHost(const QString &value)
{
    QString host = value.trimmed();
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}
} // namespace

Endpoints Endpoints::load(const QStringList &folders)
{
    Endpoints endpoints;
    QString path;
    for (const QString &folder : folders) {
        path = QDir(folder).filePath(QStringLiteral("endpoints.ini"));
        if (QFileInfo::exists(path))
            break;
        path.clear();
    }
    if (path.isEmpty())
        return endpoints;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("hosts"));
    const struct {
        const char *key;
        QString Endpoints::*field;
    } keys[] = {
        {"tracking_service", &Endpoints::trackingService},
        {"default_source", &Endpoints::defaultSource},
        {"default_source_alternate", &Endpoints::defaultSourceAlternate},
        {"backup_source_1", &Endpoints::backupSource1},
        {"backup_source_2", &Endpoints::backupSource2},
        {"maker_site", &Endpoints::makerSite},
        {"update_server", &Endpoints::updateServer},
        {"kuaidi100", &Endpoints::kuaidi100Service},
        {"kdniao", &Endpoints::kdniaoService},
        {"17track", &Endpoints::track17Service},
    };
    for (const auto &k : keys) {
        const QString value = trimmedHost(file.value(QLatin1String(k.key)).toString());
        if (!value.isEmpty())
            endpoints.*(k.field) = value;
    }
    file.endGroup();
    endpoints.refreshSeconds = std::max(0, file.value(QStringLiteral("refresh/interval_seconds")).toInt());
    return endpoints;
}

const Endpoints &Endpoints::current()
{
    return instance();
}

void Endpoints::setCurrent(const Endpoints &endpoints)
{
    instance() = endpoints;
}
