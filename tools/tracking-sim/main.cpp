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
                       "trickle, redirect-loop or bomb; may be repeated."),
        QStringLiteral("KIND"));
    const QCommandLineOption faultNumberOption(QStringLiteral("fault-number"),
                                               QStringLiteral("Limit concise and page faults to this number."),
                                               QStringLiteral("NUMBER"));
    const QCommandLineOption updateOption(QStringLiteral("update-version"),
                                          QStringLiteral("Version announced by /update.ini."), QStringLiteral("X"),
                                          QStringLiteral("3.0"));
    parser.addOptions({portOption, latencyOption, faultOption, faultNumberOption, updateOption});
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

    SimServer server(options);
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "tracking-sim: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
