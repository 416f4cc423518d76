// One libFuzzer target; FUZZ_TARGET names the check of FuzzChecks it runs.
#include "FuzzChecks.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Libraries' warnings about broken input would drown libFuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // The workbook helper is found beside the running program.
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString problem = FuzzChecks::run(QStringLiteral(FUZZ_TARGET), input);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", FUZZ_TARGET, problem.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
