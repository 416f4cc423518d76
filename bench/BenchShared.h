#pragma once
// What the benches share: timing over runs, the summary table's line, and the rows of a text import.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace Bench {

// A time measured over several runs: median, fastest and slowest, in ms; -1 when not measured.
struct Spread {
    qint64 median = -1, min = -1, max = -1;
};

// `run(i)` returns its own time in ms (what it prepared before is not counted), or -1.
inline Spread timed(const std::function<qint64(int)> &run, int runs = 5)
{
    QVector<qint64> ms;
    for (int i = 0; i < runs; ++i) {
        const qint64 took = run(i);
        if (took < 0)
            return {};
        ms << took;
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.first(), ms.last()};
}

// The bench's own line for a spread.
inline void line(const char *what, const Spread &s)
{
    if (s.median < 0)
        std::printf("%-44s n/a\n", what);
    else
        std::printf("%-44s %6lld ms (min %lld, max %lld)\n", what, static_cast<long long>(s.median),
                    static_cast<long long>(s.min), static_cast<long long>(s.max));
    std::fflush(stdout);
}

} // namespace Bench

// One line of the summary table that `make bench` ends with: what, the value, the goal, ok/over/n/a.
inline void figure(const QString &what, const QString &value, const QString &goal, const QString &verdict)
{
    std::printf("FIGURE\t%s\t%s\t%s\t%s\n", qPrintable(what), qPrintable(value), qPrintable(goal), qPrintable(verdict));
    std::fflush(stdout);
}

// `rows` lines of a text import: nine fields, three carriers, dates over ten months.
inline QString importText(int rows)
{
    const QStringList carriers{QStringLiteral("顺丰速运"), QStringLiteral("圆通快递"), QStringLiteral("中通速递")};
    QString text;
    for (int i = 0; i < rows; ++i) {
        const QDate sent = QDate(2026, 1, 1).addDays(i % 300);
        text += QStringLiteral("SF%1,%2,书籍%3,%4,%5/%6/%7,张三%3,1380013%8,北京市海淀区中关村大街%3号,备注\r\n")
                    .arg(i, 10, 10, QLatin1Char('0'))
                    .arg(carriers[i % 3])
                    .arg(i % 97)
                    .arg(i % 500)
                    .arg(sent.year())
                    .arg(sent.month())
                    .arg(sent.day())
                    .arg(i % 10000, 4, 10, QLatin1Char('0'));
    }
    return text;
}
