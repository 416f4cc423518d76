#include "settings/Skins.h"

#include <QtTest>

class TestSkins : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storedValuePicksSkin_data();
    void storedValuePicksSkin();
};

void TestSkins::storedValuePicksSkin_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("caption");
    QTest::newRow("menu default") << "默认皮肤"
                                  << "默认皮肤";
    QTest::newRow("missing") << ""
                             << "默认皮肤";
    QTest::newRow("3") << "3"
                       << "经典QQ";
    QTest::newRow("4") << "4"
                       << "默认皮肤";
    QTest::newRow("padded") << " 1"
                            << "默认皮肤";
}

void TestSkins::storedValuePicksSkin()
{
    QFETCH(QString, stored);
    QFETCH(QString, caption);
    QCOMPARE(SkinFromSetting(stored).caption, caption);
}

QTEST_GUILESS_MAIN(TestSkins)
#include "tst_skins.moc"
