#include "SimAccounts.h"
#include "SimHttp.h"

#include <QCryptographicHash>
#include <QJsonDocument>

namespace SimHttp {

QHash<QString, QString> formFields(const QByteArray &body)
{
    QHash<QString, QString> fields;
    for (const QByteArray &pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        const auto decode = [](QByteArray part) {
            return QString::fromUtf8(QByteArray::fromPercentEncoding(part.replace('+', ' ')));
        };
        const QString name = decode(eq < 0 ? pair : pair.left(eq));
        if (!fields.contains(name))
            fields.insert(name, eq < 0 ? QString() : decode(pair.mid(eq + 1)));
    }
    return fields;
}

SimResponse json(const QJsonDocument &document, int status)
{
    return {status, kJson, document.toJson(QJsonDocument::Compact), false};
}

QByteArray md5Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper();
}

} // namespace SimHttp

bool RateWindow::admit(qint64 nowMs)
{
    if (m_windowMs <= 0)
        return true;
    while (!m_admitted.empty() && m_admitted.front() <= nowMs - m_windowMs)
        m_admitted.pop_front();
    if (int(m_admitted.size()) >= m_limit)
        return false;
    m_admitted.push_back(nowMs);
    return true;
}

bool SimAccounts::setAccount(const QString &service, const QString &value)
{
    if (service == QLatin1String("17track")) {
        track17Token = value;
        return !value.isEmpty();
    }
    const qsizetype colon = value.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == value.size() - 1)
        return false;
    const QString id = value.left(colon), key = value.mid(colon + 1);
    if (service == QLatin1String("kuaidi100")) {
        kuaidi100Customer = id;
        kuaidi100Key = key;
    } else if (service == QLatin1String("kdniao")) {
        kdniaoId = id;
        kdniaoKey = key;
    } else {
        return false;
    }
    return true;
}

bool SimAccounts::setQuota(const QString &assignment)
{
    const QStringList parts = assignment.split(QLatin1Char('='));
    bool ok = false;
    const qint64 n = parts.size() == 2 ? parts[1].toLongLong(&ok) : -1;
    if (!ok || n < 0)
        return false;
    if (parts[0] == QLatin1String("kuaidi100"))
        kuaidi100Quota = n;
    else if (parts[0] == QLatin1String("kdniao"))
        kdniaoQuota = n;
    else if (parts[0] == QLatin1String("17track"))
        track17Quota = n;
    else
        return false;
    return true;
}

namespace SimTrace {

QVector<Line> linesFor(SimRecords::Kind kind)
{
    QVector<Line> lines;
    for (const QString &state : SimRecords::statesFor(kind)) {
        Line line;
        line.time = state.left(19);
        line.text = state.mid(20);
        if (line.text.startsWith(QStringLiteral("【")))
            line.place = line.text.mid(1, line.text.indexOf(QStringLiteral("】")) - 1);
        // The stations of the records are in two cities only.
        if (line.place.startsWith(QStringLiteral("深圳")))
            line.city = QStringLiteral("深圳市");
        else if (line.place.startsWith(QStringLiteral("上海")))
            line.city = QStringLiteral("上海市");
        lines << line;
    }
    return lines;
}

SimRecords::Kind lineKind(SimRecords::Kind kind, int index, int count)
{
    if (index == count - 1)
        return kind;
    return index == 0 ? SimRecords::Kind::PickedUp : SimRecords::Kind::InTransit;
}

} // namespace SimTrace
