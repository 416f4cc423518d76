#include "core/Endpoints.h"
#include "settings/AppSettings.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"
#include "support/TinyHttpServer.h"
#include "update/UpdateWindow.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// The texts of the buttons shown.
QStringList visibleButtons(UpdateWindow &window)
{
    QStringList shown;
    for (QPushButton *button : window.findChildren<QPushButton *>())
        if (button->isVisibleTo(&window))
            shown << button->text();
    return shown;
}
} // namespace

class TestUpdateWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void resultDecidesLabelAndButton_data();
    void resultDecidesLabelAndButton();
};

void TestUpdateWindow::resultDecidesLabelAndButton_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("button");
    QTest::newRow("same") << 200 << QByteArray("[Ver]\nnew=3.0\n") << "程序无更新！"
                          << "欢迎继续使用";
    QTest::newRow("newer") << 200 << QByteArray("[Ver]\nnew=3.1\n") << "程序有更新！"
                           << "点击下载";
    QTest::newRow("server error") << 500 << QByteArray() << "检查更新失败：更新服务器返回错误（HTTP 500）。"
                                  << "欢迎继续使用";
}

void TestUpdateWindow::resultDecidesLabelAndButton()
{
    QFETCH(int, status);
    QFETCH(QByteArray, descriptor);
    QFETCH(QString, label);
    QFETCH(QString, button);
    TinyHttpServer server;
    QVERIFY(server.start());
    server.answers.insert(QStringLiteral("/update.ini"), {status, "text/plain", descriptor});
    Endpoints endpoints;
    endpoints.updateServer = server.base();
    Endpoints::setCurrent(endpoints);
    TestFolder folder;
    QVERIFY(AppSettings::write(folder.path(), AppSettings::kVersion, QStringLiteral("3.0")).ok);
    FakeLauncher launcher;

    UpdateWindow window(folder.path(), launcher);
    window.show();
    QCOMPARE(visibleButtons(window), QStringList{QStringLiteral("欢迎继续使用")});
    QTRY_VERIFY_WITH_TIMEOUT(!window.isChecking(), 30000);
    QCOMPARE(window.resultLabel->text(), label);
    QCOMPARE(visibleButtons(window), QStringList{button});

    // Enter presses the one button shown.
    const bool offered = button == QStringLiteral("点击下载");
    QPushButton *shown = offered ? window.downloadButton : window.continueButton;
    QVERIFY(shown->isDefault());
    shown->click();
    QVERIFY(!window.isVisible());
    const QString package = server.base() + QStringLiteral("/update/tolvane.zip");
    QCOMPARE(launcher.urls, offered ? QStringList{package} : QStringList());

    // Shown again: the first result stays and the server is not asked again.
    server.answers.clear();
    window.show();
    QTest::qWait(100);
    QCOMPARE(server.requests, QStringList{QStringLiteral("/update.ini")});
    QCOMPARE(window.resultLabel->text(), label);
}

QTEST_MAIN(TestUpdateWindow)
#include "tst_updatewindow.moc"
