#include "settings/AppSettings.h"
#include "settings/Endpoints.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"
#include "update/LocalHttpResponder.h"
#include "update/gengxin.h"

#include <QtTest>
#include <QtWidgets>

namespace {

void pointUpdateServerAt(const QString &base)
{
    Endpoints endpoints;
    endpoints.updateServer = base;
    Endpoints::setCurrent(endpoints);
}

// The one button that is shown, by its text.
QString visibleButton(gengxin &window)
{
    QStringList shown;
    for (QPushButton *button : window.findChildren<QPushButton *>()) {
        if (button->isVisibleTo(&window))
            shown << button->text();
    }
    return shown.size() == 1 ? shown.first() : shown.join(QLatin1Char('|'));
}

} // namespace

class TestGengxin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void resultDecidesLabelAndButton_data();
    void resultDecidesLabelAndButton();
    void downloadOpensPackageAndHides();
    void showingAgainDoesNotCheckAgain();

private:
    TestFolder m_folder;
    FakeLauncher m_launcher;
};

void TestGengxin::init()
{
    QVERIFY(AppSettings::write(m_folder.path(), AppSettings::kVersion, QStringLiteral("3.0")).ok);
    m_launcher.urls.clear();
}

void TestGengxin::resultDecidesLabelAndButton_data()
{
    QTest::addColumn<int>("status"); // 0: nothing listens
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("button");
    QTest::newRow("same") << 200 << QByteArray("[Ver]\nnew=3.0\n") << "程序无更新！" << "欢迎继续使用";
    QTest::newRow("newer") << 200 << QByteArray("[Ver]\nnew=3.1\n") << "程序有更新！" << "点击下载";
    QTest::newRow("server error") << 500 << QByteArray() << "检查更新失败：更新服务器返回错误（HTTP 500）。"
                                  << "欢迎继续使用";
    QTest::newRow("nothing listening") << 0 << QByteArray() << "检查更新失败：无法连接到更新服务器（连接被拒绝）。"
                                       << "欢迎继续使用";
}

void TestGengxin::resultDecidesLabelAndButton()
{
    QFETCH(int, status);
    QFETCH(QByteArray, descriptor);
    QFETCH(QString, label);
    QFETCH(QString, button);

    LocalHttpResponder server;
    server.answer(status, descriptor);
    pointUpdateServerAt(status ? server.base() : LocalHttpResponder::deadBase());

    gengxin window(m_folder.path(), m_launcher);
    QCOMPARE(window.windowTitle(), QStringLiteral("更新"));
    QVERIFY(window.isChecking());
    QCOMPARE(visibleButton(window), QStringLiteral("欢迎继续使用"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isChecking(), 10000);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Label1"))->text(), label);
    QCOMPARE(visibleButton(window), button);
}

void TestGengxin::downloadOpensPackageAndHides()
{
    LocalHttpResponder server;
    server.answer(200, "[Ver]\nnew=3.1\n");
    pointUpdateServerAt(server.base());
    gengxin window(m_folder.path(), m_launcher);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isChecking(), 10000);

    window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QCOMPARE(m_launcher.urls, QStringList{server.base() + QStringLiteral("/update/tolvane.zip")});
    QVERIFY(!window.isVisible());
}

void TestGengxin::showingAgainDoesNotCheckAgain()
{
    LocalHttpResponder server;
    server.answer(200, "[Ver]\nnew=3.0\n");
    pointUpdateServerAt(server.base());
    gengxin window(m_folder.path(), m_launcher);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isChecking(), 10000);
    QCOMPARE(server.requests, 1);

    window.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QVERIFY(!window.isVisible());
    // Meanwhile the server would offer something else.
    server.answer(200, "[Ver]\nnew=3.5\n");
    window.show();
    QTest::qWait(100);
    QCOMPARE(server.requests, 1);
    QCOMPARE(window.Label1->text(), QStringLiteral("程序无更新！"));
    QCOMPARE(visibleButton(window), QStringLiteral("欢迎继续使用"));
    QVERIFY(m_launcher.urls.isEmpty());
}

QTEST_MAIN(TestGengxin)
#include "tst_gengxin.moc"
