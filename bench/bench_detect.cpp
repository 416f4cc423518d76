// Carrier detection against a register of 100,000 waybills: the index build
// (off the window's thread in the program), the memory it takes, and the time
// of one detection as the user types. Also the share of generated numbers of
// one-carrier formats that come out sure and right, and how often a number of
// an overlapping format is chosen without asking (it never should be).
#include "carriers/CarrierDetector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

using namespace CarrierDetection;

namespace {
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

QString digits(int count, quint32 &seed)
{
    QString out;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        out += QChar(u'0' + int((seed >> 16) % 10));
    }
    return out;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kRows = 100000;
    quint32 seed = 1;
    // Shops' numbers: runs of a few hundred sharing a prefix, several carriers.
    const char *carriers[] = {"顺丰速运", "中通速递", "韵达快运", "申通E物流", "圆通快递"};
    const char *prefixes[] = {"SF10", "7512", "4312", "7700", "YT88"};
    const int lengths[] = {10, 10, 11, 10, 11}; // digits after the prefix
    const long before = residentKb();
    QVector<RegisterIndex::Entry> entries;
    entries.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const int k = (i / 300) % 5;
        const QString run = QString::number((i / 1500) % 100).rightJustified(2, QLatin1Char('0'));
        entries.push_back({QString::fromUtf8(prefixes[k]) + run + digits(lengths[k] - 2, seed),
                           FindCarrierByName(QString::fromUtf8(carriers[k]))->row});
    }
    QElapsedTimer clock;
    clock.start();
    const RegisterIndex index = RegisterIndex::build(entries);
    const qint64 buildMs = clock.elapsed();
    entries.clear();
    entries.squeeze();
    std::printf("index of %d numbers built in %lld ms, about %ld KB resident with its numbers\n", index.size(),
                static_cast<long long>(buildMs), residentKb() - before);

    QVector<qint64> times;
    int sure = 0;
    for (int i = 0; i < 2000; ++i) {
        const int k = i % 5;
        const QString run = QString::number(i % 100).rightJustified(2, QLatin1Char('0'));
        const QString number = QString::fromUtf8(prefixes[k]) + run + digits(lengths[k] - 2, seed);
        QElapsedTimer one;
        one.start();
        const Result r = detect(number, &index);
        times.push_back(one.nsecsElapsed());
        sure += r.sureCarrier() && r.sureCarrier()->name == QString::fromUtf8(carriers[k]);
    }
    std::sort(times.begin(), times.end());
    std::printf("detection: median %.3f ms, slowest %.3f ms (goal: median under 1 ms); %d of %lld sure and right\n",
                double(times[times.size() / 2]) / 1e6, double(times.last()) / 1e6, sure,
                static_cast<long long>(times.size()));

    // Accuracy on formats without the register.
    struct Shape {
        const char *prefix;
        int digits;
        const char *carrier; // nullptr: an overlapping format
    };
    const Shape shapes[] = {{"SF", 12, "顺丰速运"}, {"YT", 13, "圆通快递"}, {"74", 12, "中通速递"},
                            {"5", 12, "韵达快运"},  {"77", 14, "申通E物流"}, {"DPK", 12, "德邦物流"},
                            {"1Z", 16, "UPS"},      {"6", 11, "联邦快递"},  {"43", 13, nullptr},
                            {"1", 12, nullptr},     {"", 9, nullptr},      {"3", 14, nullptr}};
    int single = 0, right = 0, ambiguous = 0, chosen = 0;
    for (const Shape &s : shapes) {
        for (int i = 0; i < 1000; ++i) {
            const Result r = detect(QString::fromUtf8(s.prefix) + digits(s.digits, seed));
            if (s.carrier) {
                ++single;
                right += r.sure && r.sureCarrier()->name == QString::fromUtf8(s.carrier);
            } else {
                ++ambiguous;
                chosen += r.sure;
            }
        }
    }
    std::printf("one-carrier formats: %d of %d sure and right (%.1f%%); overlapping formats chosen without "
                "asking: %d of %d\n",
                right, single, 100.0 * right / single, chosen, ambiguous);
    return 0;
}
