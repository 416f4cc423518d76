#include "query/ConciseQuery.h"

#include "core/Endpoints.h"
#include "store/Waybill.h"

#include <QStringDecoder>
#include <QUrl>

QString Utf8ToUnicode(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    // Qt's decoder drops a leading byte-order mark unless told to keep it, and
    // a stateful one would swallow a sequence cut off at the end.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

QString GetLastState(const QString &answer)
{
    const qsizetype at = answer.lastIndexOf(QStringLiteral("更多"));
    if (at < 0)
        return QString();
    return answer.left(at);
}

QString ConciseQueryAddress(const QString &apiCode, const QString &number)
{
    return Endpoints::current().trackingService + QStringLiteral("/apione?com=") +
           QString::fromLatin1(QUrl::toPercentEncoding(apiCode)) + QStringLiteral("&nu=") +
           QString::fromLatin1(QUrl::toPercentEncoding(WaybillNumber::normalForm(number))) + QStringLiteral("&show=3");
}
