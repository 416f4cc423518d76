#pragma once

#include "SimAccounts.h"
#include "SimHttp.h"

// 快递鸟 即时查询: POST /Ebusiness/EbusinessOrderHandle.aspx, RequestType 1002.
class SimKdniao final : public SimService {
public:
    explicit SimKdniao(const SimAccounts &accounts) : m_accounts(accounts), m_rate(kPerSecond, accounts.rateWindowMs) {}

    static constexpr int kPerSecond = 10;

    bool serves(const QString &path) const override;
    QStringList numbersIn(const SimRequest &request) const override;
    SimResponse answer(const SimRequest &request) override;

    struct Code {
        QString state;   // State
        QString stateEx; // StateEx, also each trace's Action
    };
    static Code codeFor(SimRecords::Kind kind);

private:
    SimAccounts m_accounts;
    RateWindow m_rate;
    qint64 m_used = 0;
};
