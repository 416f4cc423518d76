#include "query/WebEngineBrowser.h"
#include "support/TinyHttpServer.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

// Drives the real engine, offscreen, against a page served on 127.0.0.1.
class TestWebEngineBrowser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fillsClicksAndReadsTheResultBack();

private:
    TinyHttpServer m_server;
};

void TestWebEngineBrowser::initTestCase()
{
    QVERIFY(m_server.start());
    m_server.answers.insert(QStringLiteral("/track.html"),
                            {200, "text/html; charset=utf-8", QByteArray(R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>t</title></head><body>
<div>查询页</div>
<input id="postid" type="text">
<button id="query" onclick="var r = document.getElementById('result'); r.innerHTML = '';
  ['开始', '单号 ' + document.getElementById('postid').value, '已签收', '结束'].forEach(function (t) {
    var d = document.createElement('div'); d.textContent = t; r.appendChild(d); });">查询</button>
<div id="result"></div>
</body></html>)")});
}

void TestWebEngineBrowser::fillsClicksAndReadsTheResultBack()
{
    QWidget host;
    WebEngineBrowser browser(&host);
    QSignalSpy complete(&browser, &Browser::documentComplete);
    browser.navigate(m_server.base() + QStringLiteral("/track.html"));
    QVERIFY(complete.wait(30000));
    QVERIFY(complete.first().first().toString().endsWith(QStringLiteral("/track.html")));

    // Another source's ids are reported missing, not silently ignored.
    int found = -1, missing = -1, clickedMissing = -1;
    browser.findElement(QStringLiteral("postid"), [&](bool f) { found = f; });
    browser.findElement(QStringLiteral("ExpressNo"), [&](bool f) { missing = f; });
    browser.click(QStringLiteral("Enter"), [&](bool f) { clickedMissing = f; });
    QTRY_VERIFY_WITH_TIMEOUT(found != -1 && missing != -1 && clickedMissing != -1, 30000);
    QCOMPARE(found, 1);
    QCOMPARE(missing + clickedMissing, 0);

    // A value full of quotes arrives in the field as typed, never as script.
    const QString awkward = QStringLiteral("SF1'b\"c\\d');alert(1);//");
    bool set = false, clicked = false, read = false;
    browser.setValue(QStringLiteral("postid"), awkward, [&](bool ok) { set = ok; });
    browser.click(QStringLiteral("query"), [&](bool ok) { clicked = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(set && clicked, 30000);
    QStringList lines;
    browser.bodyLines([&](const QStringList &l) {
        lines = l;
        read = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(read, 30000);
    const int start = lines.indexOf(QString::fromUtf8("开始"));
    QVERIFY2(start >= 0, qPrintable(lines.join(QLatin1Char('|'))));
    QCOMPARE(lines.mid(start, 4), (QStringList{QString::fromUtf8("开始"), QString::fromUtf8("单号 ") + awkward,
                                               QString::fromUtf8("已签收"), QString::fromUtf8("结束")}));
    for (const QString &line : lines)
        QVERIFY(!line.contains(QLatin1Char('\r')));
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestWebEngineBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webenginebrowser.moc"
