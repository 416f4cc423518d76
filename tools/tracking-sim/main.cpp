#include "SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tracking-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in for the tracking service, the three tracking "
                                                    "sites, the maker's site and the update server."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port on 127.0.0.1 (0: any free one)."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption latencyOption(QStringLiteral("latency"), QStringLiteral("Delay every answer."),
                                           QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("status500, no-content, timeout, bad-utf8, no-more, long, no-field, update-fail, endless, huge, "
                       "trickle, redirect-loop, bomb or html200; may be repeated."),
        QStringLiteral("KIND"));
    const QCommandLineOption faultNumberOption(QStringLiteral("fault-number"),
                                               QStringLiteral("Limit concise and page faults to this number."),
                                               QStringLiteral("NUMBER"));
    const QCommandLineOption updateOption(QStringLiteral("update-version"),
                                          QStringLiteral("Version announced by /update.ini."), QStringLiteral("X"),
                                          QStringLiteral("3.0"));
    const QCommandLineOption kuaidi100Option(
        QStringLiteral("kuaidi100"), QStringLiteral("The 快递100 account (default tolvane-customer:tolvane-key)."),
        QStringLiteral("CUSTOMER:KEY"));
    const QCommandLineOption kdniaoOption(QStringLiteral("kdniao"),
                                          QStringLiteral("The 快递鸟 account (default 1234567:tolvane-apikey)."),
                                          QStringLiteral("EBUSINESSID:APIKEY"));
    const QCommandLineOption track17Option(QStringLiteral("17track"),
                                           QStringLiteral("The 17TRACK token (default tolvane-17token)."),
                                           QStringLiteral("TOKEN"));
    const QCommandLineOption quotaOption(QStringLiteral("quota"),
                                         QStringLiteral("Numbers an account may ask: kuaidi100, kdniao or 17track=N; "
                                                        "may be repeated."),
                                         QStringLiteral("SERVICE=N"));
    const QCommandLineOption rateWindowOption(
        QStringLiteral("rate-window-ms"),
        QStringLiteral("The window of the per-second limits (17TRACK 3, 快递鸟 10); 0 turns them off."),
        QStringLiteral("MS"), QStringLiteral("1000"));
    const QCommandLineOption lockOption(QStringLiteral("kuaidi100-lock-s"),
                                        QStringLiteral("快递100 refuses a number asked again within S seconds "
                                                       "(the service: 1800); 0, the default, never."),
                                        QStringLiteral("S"), QStringLiteral("0"));
    parser.addOptions({portOption, latencyOption, faultOption, faultNumberOption, updateOption, kuaidi100Option,
                       kdniaoOption, track17Option, quotaOption, rateWindowOption, lockOption});
    parser.process(app);

    SimOptions options;
    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "tracking-sim: bad --port\n");
        return 2;
    }
    options.latencyMs = parser.value(latencyOption).toInt(&ok);
    if (!ok || options.latencyMs < 0) {
        std::fprintf(stderr, "tracking-sim: bad --latency\n");
        return 2;
    }
    for (const QString &kind : parser.values(faultOption)) {
        if (!options.faults.enable(kind)) {
            std::fprintf(stderr, "tracking-sim: unknown fault %s\n", qPrintable(kind));
            return 2;
        }
    }
    options.faults.faultNumber = parser.value(faultNumberOption);
    options.updateVersion = parser.value(updateOption);

    SimAccounts &accounts = options.accounts;
    for (const QCommandLineOption *account : {&kuaidi100Option, &kdniaoOption, &track17Option}) {
        const QString service = account->names().constFirst();
        if (parser.isSet(*account) && !accounts.setAccount(service, parser.value(*account))) {
            std::fprintf(stderr, "tracking-sim: bad --%s\n", qPrintable(service));
            return 2;
        }
    }
    for (const QString &quota : parser.values(quotaOption)) {
        if (!accounts.setQuota(quota)) {
            std::fprintf(stderr, "tracking-sim: bad --quota %s\n", qPrintable(quota));
            return 2;
        }
    }
    accounts.rateWindowMs = parser.value(rateWindowOption).toInt(&ok);
    if (!ok || accounts.rateWindowMs < 0) {
        std::fprintf(stderr, "tracking-sim: bad --rate-window-ms\n");
        return 2;
    }
    const qint64 lockS = parser.value(lockOption).toLongLong(&ok);
    if (!ok || lockS < 0) {
        std::fprintf(stderr, "tracking-sim: bad --kuaidi100-lock-s\n");
        return 2;
    }
    accounts.kuaidi100LockMs = lockS * 1000;

    SimServer server(options);
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "tracking-sim: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
