#include "app/Provisioning.h"
#include "app/Skins.h"

#include <QtTest>

class TestSkins : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storedValuePicksSkin_data();
    void storedValuePicksSkin();
    void everySkinIsProvisionedAndReadsBack();
};

void TestSkins::storedValuePicksSkin_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("caption");
    QTest::newRow("menu default") << "默认皮肤" << "默认皮肤";
    QTest::newRow("missing") << "" << "默认皮肤";
    QTest::newRow("1") << "1" << "黑色酷炫";
    QTest::newRow("2") << "2" << "简谱积木";
    QTest::newRow("3") << "3" << "经典QQ";
    QTest::newRow("4") << "4" << "默认皮肤";
    QTest::newRow("padded") << " 1" << "默认皮肤";
}

void TestSkins::storedValuePicksSkin()
{
    QFETCH(QString, stored);
    QFETCH(QString, caption);
    QCOMPARE(SkinFromSetting(stored).caption, caption);
}

void TestSkins::everySkinIsProvisionedAndReadsBack()
{
    QStringList paths;
    for (const Skin &skin : Skins::all()) {
        paths << skin.relativePath;
        QCOMPARE(SkinFromSetting(skin.menuValue).caption, skin.caption);
        QCOMPARE(SkinFromSetting(skin.dialogValue).caption, skin.caption);
    }
    QStringList provisioned = Provisioning::skinRelativePaths();
    provisioned.sort();
    paths.sort();
    QCOMPARE(paths, provisioned);
}

QTEST_GUILESS_MAIN(TestSkins)
#include "tst_skins.moc"
