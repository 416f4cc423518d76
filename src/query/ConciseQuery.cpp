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

namespace {
// A word of signing counts unless the text around it says that it did not
// happen: "未签收", "拒签收", "拒绝签收", "待签收", "签收失败".
bool mentionsDone(const QString &state, const QString &word)
{
    static const QStringList denials = {QStringLiteral("未"), QStringLiteral("拒"),   QStringLiteral("拒绝"),
                                        QStringLiteral("待"), QStringLiteral("没有"), QStringLiteral("不")};
    for (qsizetype at = state.indexOf(word); at >= 0; at = state.indexOf(word, at + 1)) {
        const QStringView before = QStringView(state).left(at);
        const QStringView after = QStringView(state).mid(at + word.size());
        bool denied = after.startsWith(QStringLiteral("失败"));
        for (const QString &denial : denials)
            denied = denied || before.endsWith(denial);
        if (!denied)
            return true;
    }
    return false;
}
} // namespace

bool IsSignedFor(const QString &state)
{
    return mentionsDone(state, QStringLiteral("签收")) || mentionsDone(state, QStringLiteral("妥投"));
}

QString ConciseQueryAddress(const QString &apiCode, const QString &number)
{
    return Endpoints::current().trackingService + QStringLiteral("/apione?com=") +
           QString::fromLatin1(QUrl::toPercentEncoding(apiCode)) + QStringLiteral("&nu=") +
           QString::fromLatin1(QUrl::toPercentEncoding(WaybillNumber::normalForm(number))) + QStringLiteral("&show=3");
}
