#pragma once

#include "SimAccounts.h"
#include "SimHttp.h"

#include <QHash>

// 快递100 实时查询: POST /poll/query.do with customer, sign and param.
class SimKuaidi100 final : public SimService {
public:
    explicit SimKuaidi100(const SimAccounts &accounts) : m_accounts(accounts) {}

    bool serves(const QString &path) const override;
    QStringList numbersIn(const SimRequest &request) const override;
    SimResponse answer(const SimRequest &request) override;

    struct Code {
        int state;          // -1: the service answers 查询无结果 instead
        QString statusCode; // the line's sub-state with resultv2=4
        QString status;     // its name
    };
    static Code codeFor(SimRecords::Kind kind);

private:
    SimAccounts m_accounts;
    qint64 m_used = 0;
    QHash<QString, qint64> m_lastAsked; // number -> when, for the lock
};
