#include "services/TrackingService.h"

#include "services/ClassicProtocol.h"
#include "services/KdniaoProtocol.h"
#include "services/Kuaidi100Protocol.h"
#include "services/Track17Protocol.h"

#include <QHostAddress>

namespace Services {

QList<ServiceId> all()
{
    return {ServiceId::Classic, ServiceId::Kuaidi100, ServiceId::Kdniao, ServiceId::Track17};
}

QString key(ServiceId id)
{
    switch (id) {
    case ServiceId::Classic:
        return QStringLiteral("classic");
    case ServiceId::Kuaidi100:
        return QStringLiteral("kuaidi100");
    case ServiceId::Kdniao:
        return QStringLiteral("kdniao");
    case ServiceId::Track17:
        return QStringLiteral("17track");
    }
    return QString();
}

std::optional<ServiceId> fromKey(const QString &value)
{
    for (ServiceId id : all())
        if (key(id) == value)
            return id;
    return std::nullopt;
}

QString displayName(ServiceId id)
{
    switch (id) {
    case ServiceId::Classic:
        return QStringLiteral("默认接口");
    case ServiceId::Kuaidi100:
        return QStringLiteral("快递100 实时查询");
    case ServiceId::Kdniao:
        return QStringLiteral("快递鸟 即时查询");
    case ServiceId::Track17:
        return QStringLiteral("17TRACK");
    }
    return QString();
}

QString accountLabel(ServiceId id)
{
    switch (id) {
    case ServiceId::Kuaidi100:
        return QStringLiteral("customer");
    case ServiceId::Kdniao:
        return QStringLiteral("EBusinessID");
    case ServiceId::Classic:
    case ServiceId::Track17:
        break;
    }
    return QString();
}

QString keyLabel(ServiceId id)
{
    switch (id) {
    case ServiceId::Kuaidi100:
        return QStringLiteral("key");
    case ServiceId::Kdniao:
        return QStringLiteral("ApiKey");
    case ServiceId::Track17:
        return QStringLiteral("17token");
    case ServiceId::Classic:
        break;
    }
    return QString();
}

bool needsKey(ServiceId id)
{
    return id != ServiceId::Classic;
}

} // namespace Services

bool IsSourceFailure(TrackFailure failure)
{
    switch (failure) {
    case TrackFailure::Auth:
    case TrackFailure::Quota:
    case TrackFailure::RateLimited:
    case TrackFailure::Network:
    case TrackFailure::BadAnswer:
    case TrackFailure::Service:
        return true;
    case TrackFailure::None:
    case TrackFailure::CarrierUnsupported:
    case TrackFailure::PhoneNeeded:
    case TrackFailure::NumberUnknown:
    case TrackFailure::Pending:
    case TrackFailure::NotRegistered:
        break;
    }
    return false;
}

bool Credentials::isComplete(ServiceId id) const
{
    if (!Services::needsKey(id))
        return true;
    if (key.trimmed().isEmpty())
        return false;
    return Services::accountLabel(id).isEmpty() || !account.trimmed().isEmpty();
}

std::unique_ptr<TrackingProtocol> MakeProtocol(ServiceId id)
{
    switch (id) {
    case ServiceId::Classic:
        return MakeClassicProtocol();
    case ServiceId::Kuaidi100:
        return MakeKuaidi100Protocol();
    case ServiceId::Kdniao:
        return MakeKdniaoProtocol();
    case ServiceId::Track17:
        return MakeTrack17Protocol();
    }
    return MakeClassicProtocol();
}

bool IsSafeServiceUrl(const QUrl &url)
{
    if (url.scheme() == QLatin1String("https"))
        return true;
    if (url.scheme() != QLatin1String("http"))
        return false;
    const QString host = url.host();
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

QString UnsafeServiceUrlText(const QUrl &url)
{
    return QStringLiteral("查询失败：服务地址 %1 不是 HTTPS，为保护密钥不发送请求").arg(url.toString(QUrl::RemovePath));
}

TrackJob OutgoingJob(const TrackingProtocol &protocol, TrackJob job)
{
    const Carrier *carrier = FindCarrierByName(job.carrier);
    if (!carrier || !protocol.needsPhoneDigits(*carrier))
        job.phoneDigits.clear();
    return job;
}
