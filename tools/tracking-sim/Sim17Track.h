#pragma once

#include "SimAccounts.h"
#include "SimHttp.h"

#include <QHash>
#include <QJsonObject>

#include <utility>

// 17TRACK API v2.2: register, gettrackinfo and getquota under /track/v2.2/,
// the token in the header "17token", JSON bodies.
class Sim17Track final : public SimService {
public:
    explicit Sim17Track(const SimAccounts &accounts) : m_accounts(accounts), m_rate(kPerSecond, accounts.rateWindowMs)
    {
    }

    static constexpr int kPerSecond = 3;
    static constexpr int kNumbersPerCall = 40;

    bool serves(const QString &path) const override;
    QStringList numbersIn(const SimRequest &request) const override;
    SimResponse answer(const SimRequest &request) override;

    struct Code {
        QString status;
        QString subStatus;
    };
    static Code codeFor(SimRecords::Kind kind);

private:
    // Whether the item was accepted, and its entry for "accepted" or "rejected".
    std::pair<bool, QJsonObject> registerOne(const QJsonObject &item);
    std::pair<bool, QJsonObject> trackInfoOf(const QJsonObject &item) const;

    SimAccounts m_accounts;
    RateWindow m_rate;
    QHash<QString, int> m_carriers; // registered number -> carrier
    qint64 m_used = 0;
};
