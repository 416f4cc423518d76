#include "update/UpdateCheck.h"

#include "core/NetworkFailure.h"

#include "core/Endpoints.h"
#include "core/SaveWhole.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Ver");
const QString kKey = QStringLiteral("new");

} // namespace

UpdateCheck::UpdateCheck(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    qRegisterMetaType<UpdateResult>();
}

UpdateCheck::~UpdateCheck()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QString UpdateCheck::descriptorFileName()
{
    return QStringLiteral("update.ini");
}

QString UpdateCheck::descriptorAddress()
{
    return Endpoints::current().updateServer + QStringLiteral("/update.ini");
}

bool UpdateCheck::isNewer(const QString &offered, const QString &own)
{
    const QStringList theirs = offered.trimmed().split(QLatin1Char('.'));
    const QStringList ours = own.trimmed().split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(theirs.size(), ours.size()); ++i) {
        const QString a = i < theirs.size() ? theirs[i].trimmed() : QStringLiteral("0");
        const QString b = i < ours.size() ? ours[i].trimmed() : QStringLiteral("0");
        bool aNumber = false, bNumber = false;
        const qulonglong x = a.toULongLong(&aNumber), y = b.toULongLong(&bNumber);
        if (aNumber && bNumber) {
            if (x != y)
                return x > y;
        } else if (const int order = a.compare(b); order != 0) {
            return order > 0;
        }
    }
    return false; // equal: nothing to offer
}

void UpdateCheck::start(const QString &programFolder)
{
    if (m_reply) {
        QNetworkReply *old = m_reply;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    QNetworkRequest request{QUrl(descriptorAddress())};
    QNetworkReply *reply = m_network->get(request);
    NetworkFailure::bound(reply, m_timeoutMs);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, programFolder] { onReplyFinished(reply, programFolder); });
}

void UpdateCheck::onReplyFinished(QNetworkReply *reply, const QString &programFolder)
{
    reply->deleteLater();
    if (m_reply == reply)
        m_reply.clear();

    UpdateResult result;
    if (const QString failure = NetworkFailure::describe(reply, QStringLiteral("更新服务器")); !failure.isEmpty()) {
        result.error = failure;
        Q_EMIT finished(result);
        return;
    }

    const QByteArray body = reply->readAll();
    const QString path = QDir(programFolder).filePath(descriptorFileName());
    // Stored whole or not at all, so the folder never holds half a descriptor.
    if (SaveWhole(path, body)) {
        result.offered = GetFromINI(kSection, kKey, QString(), path);
    } else {
        // The folder is read-only: the descriptor on disk is not this one,
        // so the offer is read from what was downloaded.
        IniFile descriptor(path);
        descriptor.loadFromBytes(body);
        result.offered = descriptor.value(kSection, kKey, QString()).left(254);
    }

    if (result.offered.isEmpty()) {
        result.error = QStringLiteral("更新信息文件中没有版本号。");
        Q_EMIT finished(result);
        return;
    }
    const QString own = AppSettings::read(programFolder, AppSettings::kVersion);
    result.kind = isNewer(result.offered, own) ? UpdateResult::Newer : UpdateResult::NotNewer;
    Q_EMIT finished(result);
}
