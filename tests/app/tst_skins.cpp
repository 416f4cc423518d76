#include "app/Provisioning.h"
#include "app/Skins.h"

#include <QtTest>

class TestSkins : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storedValuePicksSkin_data();
    void storedValuePicksSkin();
    void bothWrittenValuesReadBackAsTheSameSkin();
    void everySkinHasAProvisionedStyleSheet();
    void dialogOrderDiffersFromMenuOrder();
};

void TestSkins::storedValuePicksSkin_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("caption");
    QTest::newRow("dialog default") << "0" << "默认皮肤";
    QTest::newRow("menu default") << "默认皮肤" << "默认皮肤";
    QTest::newRow("missing") << "" << "默认皮肤";
    QTest::newRow("1") << "1" << "黑色酷炫";
    QTest::newRow("2") << "2" << "简谱积木";
    QTest::newRow("3") << "3" << "经典QQ";
    QTest::newRow("4") << "4" << "默认皮肤";
    QTest::newRow("padded") << " 1" << "默认皮肤";
    QTest::newRow("leading zero") << "03" << "默认皮肤";
    QTest::newRow("caption") << "黑色酷炫" << "默认皮肤";
}

void TestSkins::storedValuePicksSkin()
{
    QFETCH(QString, stored);
    QFETCH(QString, caption);
    QCOMPARE(SkinFromSetting(stored).caption, caption);
}

void TestSkins::bothWrittenValuesReadBackAsTheSameSkin()
{
    for (const Skin &skin : Skins::all()) {
        QCOMPARE(SkinFromSetting(skin.menuValue).caption, skin.caption);
        QCOMPARE(SkinFromSetting(skin.dialogValue).caption, skin.caption);
        QCOMPARE(Skins::findByCaption(skin.caption), &skin);
    }
    QCOMPARE(Skins::findByCaption(QStringLiteral("********")), nullptr);
}

void TestSkins::everySkinHasAProvisionedStyleSheet()
{
    QStringList paths;
    QStringList items;
    for (const Skin &skin : Skins::all()) {
        paths << skin.relativePath;
        items << skin.menuItem;
    }
    QStringList provisioned = Provisioning::skinRelativePaths();
    provisioned.sort();
    paths.sort();
    QCOMPARE(paths, provisioned);
    QCOMPARE(items, (QStringList{"moren", "jdqq", "jpjm", "hskx"}));
}

void TestSkins::dialogOrderDiffersFromMenuOrder()
{
    QStringList dialog;
    for (const Skin *skin : Skins::dialogOrder())
        dialog << skin->caption;
    QCOMPARE(dialog, (QStringList{"默认皮肤", "经典QQ", "黑色酷炫", "简谱积木"}));
}

QTEST_GUILESS_MAIN(TestSkins)
#include "tst_skins.moc"
