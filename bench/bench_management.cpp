// Times the register management with 100,000 waybills: a text import of that
// size, opening the management window, a refresh, and search keystrokes.
#include "app/Clock.h"
#include "app/GbkText.h"
#include "store/Form7.h"
#include "store/GridFill.h"
#include "store/ImportReader.h"
#include "store/WaybillImporter.h"
#include "store/WaybillStore.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>

#include <cstdio>

namespace {
constexpr int kRows = 100000;

void report(const char *what, qint64 ms, const QString &detail = QString())
{
    std::printf("%-42s %6lld ms  %s\n", what, static_cast<long long>(ms), qPrintable(detail));
    std::fflush(stdout);
}

QByteArray importFile()
{
    const QStringList carriers{QStringLiteral("顺丰速运"), QStringLiteral("圆通快递"), QStringLiteral("中通速递")};
    QString text;
    for (int i = 0; i < kRows; ++i) {
        const QDate sent = QDate(2026, 1, 1).addDays(i % 300);
        text += QStringLiteral("SF%1,%2,书籍%3,%4,%5/%6/%7,张三%3,1380013%8,北京市海淀区中关村大街%3号,备注\r\n")
                    .arg(i, 10, 10, QLatin1Char('0'))
                    .arg(carriers[i % 3])
                    .arg(i % 97)
                    .arg(i % 500)
                    .arg(sent.year())
                    .arg(sent.month())
                    .arg(sent.day())
                    .arg(i % 10000, 4, 10, QLatin1Char('0'));
    }
    return GbkText::encode(text);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestFolder folder;
    const QString path = folder.file(WaybillStore::fileName());
    WaybillStore store;
    if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok) {
        std::fprintf(stderr, "cannot create the register\n");
        return 1;
    }

    folder.write(QStringLiteral("import.txt"), importFile());
    QElapsedTimer clock;
    clock.start();
    ImportBatch batch;
    if (!ImportReader::readTextFile(folder.file(QStringLiteral("import.txt")), &batch).ok)
        return 1;
    const qint64 parsed = clock.elapsed();
    const ImportResult result = WaybillImporter::store(store, batch);
    report("text import, 100,000 lines (read + parse)", parsed);
    report("text import, 100,000 lines (total)", clock.elapsed(),
           QStringLiteral("%1 stored, %2 skipped").arg(result.imported).arg(result.skipped.size()));
    if (result.imported != kRows)
        return 1;

    FakeDialogs dialogs;
    FakeLauncher launcher;
    FixedClock today(QDate(2026, 12, 17));
    Form7 window(folder.path(), dialogs, launcher, today, [] { return CurrentWaybill{}; });
    clock.restart();
    window.show();
    app.processEvents();
    report("open the window (first fill, days stored)", clock.elapsed(),
           QStringLiteral("%1 rows").arg(window.DataGrid1->model()->rowCount()));

    clock.restart();
    window.Command8_Click();
    app.processEvents();
    report("refresh (nothing to store)", clock.elapsed());

    today.set(QDate(2026, 12, 18).startOfDay());
    clock.restart();
    window.Command8_Click();
    app.processEvents();
    report("refresh a day later (every row stored)", clock.elapsed());

    struct Keystroke {
        const char *column;
        const char *text;
    };
    const Keystroke keys[] = {{"快递单号", "S"},    {"快递单号", "SF00000"}, {"快递单号", "SF000001234"},
                              {"快递单号", "none"}, {"状态", "未"},          {"姓名", "张三9"},
                              {"物品", "书籍1"}};
    qint64 worst = 0;
    for (const Keystroke &key : keys) {
        window.Combo1->setCurrentText(QString::fromUtf8(key.column));
        clock.restart();
        window.Text5->setText(QString::fromUtf8(key.text));
        app.processEvents();
        const qint64 ms = clock.elapsed();
        worst = std::max(worst, ms);
        report("search keystroke", ms,
               QStringLiteral("%1 like %2: %3 rows shown")
                   .arg(QString::fromUtf8(key.column), QString::fromUtf8(key.text))
                   .arg(window.DataGrid1->model()->rowCount()));
    }
    report("worst search keystroke", worst);

    // Where a keystroke that shows every row spends its time.
    clock.restart();
    QVector<Waybill> rows = store.search(QStringLiteral("快递单号"), QStringLiteral("S"));
    report("  of which: the query and reading the rows", clock.elapsed());
    clock.restart();
    GridFill::apply(rows, today.today(), true);
    report("  of which: days in transit and widths", clock.elapsed());
    return 0;
}
