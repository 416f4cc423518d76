#include "services/ConciseQuery.h"

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

QString ConciseQueryAddress(const QString &apiCode, const QString &number, const QString &phoneDigits)
{
    return Endpoints::current().trackingService + QStringLiteral("/apione?com=") +
           QString::fromLatin1(QUrl::toPercentEncoding(apiCode)) + QStringLiteral("&nu=") +
           QString::fromLatin1(QUrl::toPercentEncoding(WaybillNumber::normalForm(number))) + QStringLiteral("&show=3") +
           (phoneDigits.isEmpty() ? QString() : QStringLiteral("&phone=") + phoneDigits);
}

QString LastPhoneDigits(const QString &phone)
{
    QString digits;
    // Full-width digits too: a number typed with a Chinese input method.
    for (qsizetype i = phone.size() - 1; i >= 0 && digits.size() < 4; --i) {
        if (const int d = phone.at(i).digitValue(); d >= 0 && d <= 9)
            digits.prepend(QChar(u'0' + d));
    }
    return digits.size() == 4 ? digits : QString();
}

bool LooksLikeHtml(const QByteArray &body)
{
    const QByteArray start = body.left(512).trimmed().toLower();
    return start.startsWith('<') || start.contains("<html") || start.contains("<body") || start.contains("<!doctype");
}
