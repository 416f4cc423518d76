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
    void aFileWithoutAProgramIsSaidSo();
};

void TestQtDialogs::aFileWithoutAProgramIsSaidSo()
{
    // The desktop's answer to "which program opens it" (none: no way to ask), what the opener reports,
    // and then whether it was opened and whether the user was told there is no program.
    const struct {
        const char *query;
        bool opens, opened, told;
    } cases[] = {{"echo calc.desktop", true, true, false},
                 {"echo", true, false, true},
                 {"exit 4", true, false, true},
                 {nullptr, true, true, false},
                 {nullptr, false, true, true}};
    TestFolder folder;
    for (const auto &c : cases) {
        folder.write(QStringLiteral("query"), QByteArray("#!/bin/sh\n") + (c.query ? c.query : ""));
        QFile::setPermissions(folder.file(QStringLiteral("query")), QFile::ReadOwner | QFile::ExeOwner);
        bool opened = false, told = false;
        DesktopLauncher launcher(folder.file(QLatin1String(c.query ? "query" : "none")), [&](const QUrl &url) {
            opened = url.isLocalFile();
            return c.opens;
        });
        QObject context;
        launcher.openFile(folder.path(), &context, [&] { told = true; });
        QVERIFY(!told && !opened); // the window never waits for the answer
        QVERIFY(QTest::qWaitFor([&] { return opened || told; }, 30000));
        QVERIFY2(opened == c.opened && told == c.told, c.query);
    }
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
