// Carrier detection against a register of 100,000 waybills: the index build
// (off the window's thread in the program), the memory it takes, and the time
// of one detection as the user types. Then its accuracy on numbers made after
// the carriers' published formats: plain digits (which overlap, so a sure
// choice there needs the register) and prefixed numbers. Wrong automatic
// choices should be 0 everywhere.
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

// One shape of number that a carrier issues: one of the prefixes, then digits
// up to the length.
struct Shape {
    const char *carrier;
    QStringList prefixes;
    int length;
};

QString numberOf(const Shape &shape, quint32 &seed)
{
    seed = seed * 1103515245u + 12345u;
    const QString prefix = shape.prefixes.at(int((seed >> 16) % shape.prefixes.size()));
    return prefix + digits(shape.length - int(prefix.size()), seed);
}

QStringList list(const char *spaced)
{
    return QString::fromLatin1(spaced).split(QLatin1Char(' '));
}

// Plain-digit numbers as the carriers publish them.
const QVector<Shape> &plainShapes()
{
    static const QVector<Shape> shapes = {
        {"中通速递", list("73 75 76 78"), 14},
        {"韵达快运", list("10 12 19 31 50"), 13},
        {"韵达快运", list("31 43 46"), 15},
        {"申通E物流", list("268 368 468 568 668 768 868 968"), 12},
        {"申通E物流", list("77"), 13},
        {"申通E物流", list("773 777"), 15},
        {"圆通快递", list("1 2 6 8 9"), 10},
        {"圆通快递", list("8"), 12},
        {"德邦物流", list("1 2 3 5 6"), 8},
        {"德邦物流", list("1 2 3 5 6"), 9},
        {"德邦物流", list("1 2 3 5 6"), 10},
        {"联邦快递", list("1 2 3 4 5 6 7 8 9"), 12},
        {"联邦快递", list("1 2 3 4 5 6 7 8 9"), 15},
        {"TNT", list("1 2 3 4 5 6 7 8 9"), 9},
        {"EMS(E邮宝)", list("10 11 50"), 13},
        {"中国邮政", list("97 98 99"), 13},
        {"中国邮政", list("1 9"), 11},
    };
    return shapes;
}

// Numbers whose prefix names their carrier.
const QVector<Shape> &prefixedShapes()
{
    static const QVector<Shape> shapes = {
        {"顺丰速运", list("SF"), 14}, {"顺丰速运", list("SF"), 15},
        {"圆通快递", list("YT"), 15}, {"京东物流", list("JD JDVA JDVC"), 15},
        {"极兔速递", list("JT"), 15}, {"德邦物流", list("DPK"), 15},
        {"UPS", list("1Z"), 18},
    };
    return shapes;
}

struct Tally {
    int numbers = 0;
    int sureRight = 0;
    int wrong = 0;    // sure, and another carrier
    int offered = 0;  // the carrier among the candidates
    int firstOne = 0; // the carrier ranked first
};

void count(Tally &t, const Result &r, const QString &carrier)
{
    ++t.numbers;
    if (const Carrier *sure = r.sureCarrier())
        (sure->name == carrier ? t.sureRight : t.wrong) += 1;
    const QStringList names = r.names();
    t.offered += names.contains(carrier);
    t.firstOne += !names.isEmpty() && names.first() == carrier;
}

void print(const char *what, const Tally &t)
{
    std::printf("%-44s %6d numbers: wrong automatic choices %d, sure and right %.1f%%, offered %.1f%%, first %.1f%%\n",
                what, t.numbers, t.wrong, 100.0 * t.sureRight / t.numbers, 100.0 * t.offered / t.numbers,
                100.0 * t.firstOne / t.numbers);
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
    std::printf("detection: median %.3f ms, slowest %.3f ms (goal: median under 1 ms); %d of %lld shop numbers "
                "sure and right\n",
                double(times[times.size() / 2]) / 1e6, double(times.last()) / 1e6, sure,
                static_cast<long long>(times.size()));

    // Without a register: plain digits never choose, prefixes do.
    Tally plain, prefixed;
    for (const Shape &s : plainShapes())
        for (int i = 0; i < 1000; ++i)
            count(plain, detect(numberOf(s, seed)), QString::fromUtf8(s.carrier));
    for (const Shape &s : prefixedShapes())
        for (int i = 0; i < 1000; ++i)
            count(prefixed, detect(numberOf(s, seed)), QString::fromUtf8(s.carrier));
    print("plain digits, no register:", plain);
    print("prefixed formats, no register:", prefixed);

    // A register of shops, each sending with one carrier, forty numbers that
    // share the first half of the number: new numbers of those runs, and
    // numbers of every shape that are not of any run.
    QVector<RegisterIndex::Entry> shops;
    QVector<QPair<QString, QString>> runs; // a run's prefix and carrier
    for (const Shape &s : plainShapes()) {
        const int row = FindCarrierByName(QString::fromUtf8(s.carrier))->row;
        for (int shop = 0; shop < 5; ++shop) {
            const QString head = numberOf(s, seed).left((s.length + 1) / 2 + 1);
            runs.push_back({head + QString(s.length - head.size(), QLatin1Char('#')), QString::fromUtf8(s.carrier)});
            for (int i = 0; i < 40; ++i)
                shops.push_back({head + digits(s.length - int(head.size()), seed), row});
        }
    }
    const RegisterIndex shopIndex = RegisterIndex::build(shops);
    Tally ofRuns, others;
    for (const auto &[pattern, carrier] : runs) {
        for (int i = 0; i < 200; ++i) {
            const QString head = pattern.left(pattern.indexOf(QLatin1Char('#')));
            count(ofRuns, detect(head + digits(int(pattern.size() - head.size()), seed), &shopIndex), carrier);
        }
    }
    for (const Shape &s : plainShapes())
        for (int i = 0; i < 1000; ++i)
            count(others, detect(numberOf(s, seed), &shopIndex), QString::fromUtf8(s.carrier));
    print("plain digits of a shop's run, with register:", ofRuns);
    print("plain digits of no run, with register:", others);
    return 0;
}
