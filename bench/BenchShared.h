#pragma once
// What the benches share: the summary table's line, and the rows of a text import.

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdio>

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
