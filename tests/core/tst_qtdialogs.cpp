#include "core/QtDialogs.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

class TestQtDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aTypedNameTakesTheSuffixOfTheChosenType_data();
    void aTypedNameTakesTheSuffixOfTheChosenType();
    void messagesShowStoredValuesAsText();
    void aFileWithoutAProgramIsSaidSo_data();
    void aFileWithoutAProgramIsSaidSo();
};

void TestQtDialogs::aFileWithoutAProgramIsSaidSo_data()
{
    QTest::addColumn<QByteArray>("probe"); // the association query's script, or empty: there is none
    QTest::addColumn<bool>("opens");       // what the opener itself reports
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("told");
    QTest::newRow("a program is associated") << QByteArray("echo calc.desktop") << true << true << false;
    QTest::newRow("none is associated") << QByteArray("echo") << true << false << true;
    QTest::newRow("the query fails") << QByteArray("exit 4") << true << false << true;
    QTest::newRow("no query here, the opener decides") << QByteArray() << true << true << false;
    QTest::newRow("no query here, the opener fails") << QByteArray() << false << true << true;
}

void TestQtDialogs::aFileWithoutAProgramIsSaidSo()
{
    QFETCH(QByteArray, probe);
    QFETCH(bool, opens);
    TestFolder folder;
    folder.write(QStringLiteral("template.xls"), "x");
    QString query = folder.file(QStringLiteral("no-such-query"));
    if (!probe.isEmpty()) {
        query = folder.file(QStringLiteral("query"));
        folder.write(QStringLiteral("query"), "#!/bin/sh\n" + probe + "\n");
        QFile::setPermissions(query, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QStringList asked;
    bool opened = false;
    bool told = false;
    DesktopLauncher launcher(query, [&](const QUrl &url) {
        opened = url == QUrl::fromLocalFile(folder.file(QStringLiteral("template.xls")));
        return opens;
    });
    QObject context;
    launcher.openFile(folder.file(QStringLiteral("template.xls")), &context, [&] { told = true; });
    // The answer comes later; the window is never made to wait for it.
    QVERIFY(!told && !opened);
    QVERIFY(QTest::qWaitFor([&] { return opened || told; }, 30000));
    QTEST(opened, "opened");
    QTEST(told, "told");
}

void TestQtDialogs::aTypedNameTakesTheSuffixOfTheChosenType_data()
{
    QTest::addColumn<int>("steps"); // presses of Down in the file type box
    QTest::addColumn<QString>("name");
    QTest::newRow("text, the first type") << 0 << QStringLiteral("out.txt");
    QTest::newRow("workbook") << 1 << QStringLiteral("out.xlsx");
    QTest::newRow("any file: the request's suffix") << 2 << QStringLiteral("out.txt");
}

void TestQtDialogs::aTypedNameTakesTheSuffixOfTheChosenType()
{
    QFETCH(int, steps);
    QFETCH(QString, name);
    TestFolder folder;
    Dialogs::FileRequest request;
    request.folder = folder.path();
    request.filters = {QString::fromUtf8("文本文件(*.txt)"), QString::fromUtf8("导出为 Excel (*.xlsx)"),
                       QString::fromUtf8("所有文件(*.*)")};
    request.defaultSuffix = QStringLiteral("txt");
    // The user picks a type with the keyboard, as with the mouse the box reports it activated.
    QTimer::singleShot(0, this, [steps] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        for (int i = 0; i < steps; ++i)
            QTest::keyClick(types, Qt::Key_Down);
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("out"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QtDialogs dialogs;
    QCOMPARE(QFileInfo(dialogs.saveFile(nullptr, request)).fileName(), name);
}

void TestQtDialogs::messagesShowStoredValuesAsText()
{
    // An imported field holding markup is quoted as it is.
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->text();
        format = box->textFormat();
        box->accept();
    });
    QtDialogs().information(nullptr, QStringLiteral("Tolvane"), QStringLiteral("<b>SF1</b> <img src=x>"));
    QCOMPARE(shown, QStringLiteral("<b>SF1</b> <img src=x>"));
    QCOMPARE(format, Qt::PlainText);
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
