#include "query/PageText.h"

#include <QtTest>

class TestPageText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsIntoLines();
};

void TestPageText::splitsIntoLines()
{
    QCOMPARE(PageText::split(QString()), QStringList());
    QCOMPARE(PageText::split(QStringLiteral("a")), QStringList{QStringLiteral("a")});
    QCOMPARE(PageText::split(QStringLiteral("a\r\nb\nc\r")),
             (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    // An empty line in the middle and a final line feed both count as lines.
    QCOMPARE(PageText::split(QStringLiteral("a\n\nb\n")),
             (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b"), QString()}));
    QCOMPARE(PageText::split(QStringLiteral("\n")), (QStringList{QString(), QString()}));
}

QTEST_GUILESS_MAIN(TestPageText)
#include "tst_pagetext.moc"
