#include "core/SaveWhole.h"
#include "query/ResultFiles.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "store/Waybill.h"
#include "support/FileSizeLimit.h"
#include "support/TestFolder.h"
#include "transfer/ExportWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QtTest>

#include <functional>

using WriteFile = std::function<Outcome(const QString &)>;
Q_DECLARE_METATYPE(WriteFile)

// Every small file the program writes goes through SaveWhole; on a disk that
// fills up mid-write the old file stays as it was and the caller is told.
class TestSaveWhole : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFullDiskKeepsTheOldFile_data();
    void aFullDiskKeepsTheOldFile();
    void aSaveKeepsPermissionsAndLeavesNothingBeside();
};

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

QVector<Waybill> someRows(int count)
{
    QVector<Waybill> rows(count);
    for (int i = 0; i < count; ++i) {
        rows[i].number = QStringLiteral("SF%1").arg(100000 + i);
        rows[i].carrier = u("顺丰速运");
        // Little that compresses: the workbook is zipped.
        rows[i].address =
            QString::fromLatin1(QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256).toHex());
    }
    return rows;
}
} // namespace

void TestSaveWhole::aFullDiskKeepsTheOldFile_data()
{
    using Write = WriteFile;
    QTest::addColumn<QString>("name");
    QTest::addColumn<Write>("write");
    QTest::addColumn<int>("room"); // what the disk takes of one file
    QTest::newRow("SaveWholeFile") << u("plain.txt") << Write([](const QString &path) {
        return SaveWholeFile(path, QByteArray(8 * 1024, 'x')); // within Qt's own write buffer
    }) << 4096;
    QTest::newRow("settings") << u("config.ini") << Write([](const QString &path) {
        IniFile ini(path);
        ini.load();
        for (int i = 0; i < 400; ++i)
            ini.setValue(AppSettings::kSection, QStringLiteral("键%1").arg(i), QString(40, QLatin1Char('v')));
        return ini.save();
    }) << 4096;
    QTest::newRow("text export") << u("export.txt")
                                 << Write([](const QString &path) { return ExportWriter::write(path, someRows(200)); })
                                 << 4096;
    // Written on in pieces as the rows come: the first piece fits, a later one does not.
    QTest::newRow("text export of many rows")
        << u("export.txt") << Write([](const QString &path) { return ExportWriter::write(path, someRows(30000)); })
        << 1536 * 1024;
    // Its helper builds the workbook in the temporary folder first, which
    // fills up as well.
    QTest::newRow("Excel export, by its helper")
        << u("export.xlsx")
        << Write([](const QString &path) { return ExportWriter::writeWorkbook(path, someRows(20000)); }) << 16384;
    QTest::newRow("result file") << u("result.txt") << Write([](const QString &path) {
        return SaveDetailedResults(path, QString(30000, QChar(0x7B7E)));
    }) << 4096;
}

void TestSaveWhole::aFullDiskKeepsTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(WriteFile, write);
    QFETCH(int, room);
    TestFolder folder;
    const QByteArray old = "[设置]\r\n皮肤=2\r\n" + QByteArray(1000, ';');
    folder.write(name, old);
    Outcome written;
    {
        const FileSizeLimit full{static_cast<rlim_t>(room)};
        written = write(folder.file(name));
    }
    QVERIFY(!written);
    QVERIFY2(written.error.contains(u("磁盘空间不足")), qPrintable(written.error));
    QCOMPARE(folder.read(name), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});

    // Room again: the same write goes through.
    QVERIFY(write(folder.file(name)));
    QVERIFY(folder.read(name) != old);
}

void TestSaveWhole::aSaveKeepsPermissionsAndLeavesNothingBeside()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("config.ini"));
    folder.write(QStringLiteral("config.ini"), "old");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QString error;
    QVERIFY2(SaveWhole(path, "new", &error), qPrintable(error));
    QCOMPARE(folder.read(QStringLiteral("config.ini")), QByteArray("new"));
    constexpr QFile::Permissions kOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    QCOMPARE(QFile::permissions(path) & kOthers, QFile::Permissions());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("config.ini")});
    // A folder in the way is refused in words, not replaced.
    QDir(folder.path()).mkdir(QStringLiteral("taken"));
    QVERIFY(!SaveWhole(folder.file(QStringLiteral("taken")), "x", &error));
    QVERIFY2(error.contains(u("同名的文件夹")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSaveWhole)
#include "tst_savewhole.moc"
