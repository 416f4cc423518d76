#include "transfer/ExportWriter.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestExportWriter : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

private Q_SLOTS:
    void aFailedWriteIsReported();
};

void TestExportWriter::aFailedWriteIsReported()
{
    const QString folder = TestFolder::unwritableFolder();
    if (folder.isEmpty())
        QSKIP("no unwritable folder on this machine");
    const Outcome written = ExportWriter::write(folder + QStringLiteral("/x.txt"), {Waybill()});
    QVERIFY(!written.ok);
    QVERIFY(written.error.contains(u("无法写入")));
}

QTEST_GUILESS_MAIN(TestExportWriter)
#include "tst_exportwriter.moc"
