// The concise and the detailed query of the main window.
#include "app/Form1.h"
#include "core/ProgramName.h"

#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "query/Browser.h"
#include "query/ConciseQuery.h"
#include "query/ConciseQueryRunner.h"
#include "query/HarvestRules.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// The API code the concise query may use for a carrier: the main window's 25
// carriers always, the two extra names only for typed batches.
QString apiCodeFor(const QString &carrierName, bool batch)
{
    const Carrier *carrier = FindCarrierByName(carrierName);
    if (!carrier || (!batch && !carrier->isButton() && !carrier->isListEntry()))
        return QString();
    return carrier->apiCode;
}
} // namespace

void Form1::buildQueryMachinery()
{
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(CommandStop, &QPushButton::clicked, this, &Form1::stopQueries);
    connect(m_browser.get(), &Browser::documentComplete, this, &Form1::pageLoaded);
    connect(Timer5, &ClassicTimer::timeout, this, &Form1::Timer5_Timer);
    connect(Timer6, &ClassicTimer::timeout, this, &Form1::Timer6_Timer);
    connect(Timer1, &ClassicTimer::timeout, this, &Form1::Timer1_Timer);

    m_concise = new ConciseQueryRunner(this);
    connect(m_concise, &ConciseQueryRunner::rowReady, this, [this](const ConciseRow &row) {
        auto *item = new QTreeWidgetItem(ListView1, QStringList{row.number, row.carrier, row.state});
        item->setToolTip(2, row.state);
        if (m_conciseMarks && row.signedFor)
            MarkSignedFor(row.number);
    });
    connect(m_concise, &ConciseQueryRunner::progress, this, &Form1::showQueryProgress);
    connect(m_concise, &ConciseQueryRunner::finished, this, [this](bool stopped) {
        Command12->setEnabled(true);
        CommandStop->setEnabled(isDetailedPassRunning());
        statusBar()->showMessage(stopped ? QStringLiteral("简洁查询已停止") : QStringLiteral("简洁查询完成"), 5000);
    });
}

bool Form1::isConciseQueryRunning() const
{
    return m_concise->isRunning();
}

void Form1::showQueryProgress(int done, int total)
{
    statusBar()->showMessage(QStringLiteral("正在查询 %1/%2").arg(done).arg(total));
}

void Form1::MarkSignedFor(const QString &number)
{
    if (Outcome marked = m_store.markSignedFor(number); !marked)
        statusBar()->showMessage(marked.error, 10000);
}

void Form1::stopQueries()
{
    m_concise->stop();
    if (m_pass != Pass::None) {
        m_pass = Pass::None;
        m_passRows.clear();
        Timer5->setEnabled(false);
        Timer6->setEnabled(false);
        Timer1->setEnabled(false);
        Command5->setEnabled(true);
        statusBar()->showMessage(QStringLiteral("详细查询已停止"), 5000);
    }
    CommandStop->setEnabled(false);
}

// Each typed batch works on exactly the numbers typed: the scratch table is
// emptied first, blank lines are skipped and each number is queried once.
bool Form1::prepareBatch(QVector<QPair<QString, QString>> *rows)
{
    if (Label6->text().isEmpty()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("未选定快递公司哦 ^_^"));
        return false;
    }
    Outcome outcome = m_store.clearTemp();
    QStringList refused;
    QSet<QString> seen;
    const QStringList pieces = Text10->toPlainText().split(QLatin1Char('\n'));
    for (const QString &piece : pieces) {
        const QString number = piece.trimmed();
        if (!outcome || number.isEmpty() || seen.contains(number))
            continue;
        seen.insert(number);
        if (Outcome inserted = m_store.insertTemp(number, Label6->text()); !inserted)
            refused << number.left(30) + QStringLiteral("：") + inserted.error;
    }
    if (outcome)
        *rows = m_store.tempRows(&outcome);
    if (!outcome) {
        m_dialogs.information(this, Program::kTitle, outcome.error);
        return false;
    }
    if (!refused.isEmpty())
        m_dialogs.information(this, Program::kTitle,
                              QStringLiteral("以下单号未能加入查询：\n") + refused.mid(0, 5).join(QLatin1Char('\n')));
    return true;
}

// --- concise query ---------------------------------------------------------

void Form1::prepareConciseList()
{
    ListView1->show();
    RichTextBox3->hide();
    ListView1->clear();
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels({QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("最后状态")});
    const int width = ListView1->viewport()->width();
    ListView1->header()->resizeSection(0, width / 6);
    ListView1->header()->resizeSection(1, width / 6);
    ListView1->header()->resizeSection(2, width * 2 / 3);
    SSTab1->setCurrentIndex(1);
}

void Form1::startConcisePass(const QVector<QPair<QString, QString>> &waybills, bool batch, bool mark)
{
    QVector<ConciseJob> jobs;
    jobs.reserve(waybills.size());
    for (const auto &[number, carrier] : waybills)
        jobs.push_back({number, carrier, apiCodeFor(carrier, batch)});
    m_conciseMarks = mark;
    Command12->setEnabled(false);
    CommandStop->setEnabled(true);
    m_concise->start(jobs);
}

void Form1::Command12_Click()
{
    if (!Option15->isChecked() && !Option16->isChecked() && !Option13->isChecked()) {
        m_dialogs.information(this, Program::kTitle,
                              QStringLiteral("请先选择查询的内容方式！！！/n简洁查询暂不支持批量快递单~~~"));
        return;
    }
    if (m_concise->isRunning())
        return;
    if (Option13->isChecked()) {
        QVector<QPair<QString, QString>> rows;
        if (!prepareBatch(&rows))
            return;
        prepareConciseList();
        startConcisePass(rows, true, false);
        return;
    }
    if (Option15->isChecked() && Check1->isChecked() && !Text1->text().isEmpty())
        Command6_Click();
    prepareConciseList();
    if (Option16->isChecked()) {
        Outcome outcome;
        const QVector<Waybill> stored = m_store.allWaybills(&outcome);
        if (!outcome)
            m_dialogs.information(this, Program::kTitle, outcome.error);
        QVector<QPair<QString, QString>> rows;
        for (const Waybill &w : stored)
            rows.push_back({w.number, w.carrier});
        startConcisePass(rows, false, true);
    } else {
        startConcisePass({{Label4->text(), Label6->text()}}, false, true);
    }
}

// --- detailed query --------------------------------------------------------

void Form1::setDetail(const QString &text)
{
    m_detailText = text;
    RichTextBox3->setPlainText(text);
}

void Form1::appendDetail(const QString &text)
{
    if (text.isEmpty())
        return;
    m_detailText += text;
    QTextCursor cursor(RichTextBox3->document());
    cursor.movePosition(QTextCursor::End);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(shown);
}

void Form1::Command5_Click()
{
    if (!Option15->isChecked() && !Option16->isChecked() && !Option13->isChecked()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先选择查询的内容方式！！！"));
        return;
    }
    Command5->setEnabled(false);
    ListView1->hide();
    RichTextBox3->show();

    if (Option15->isChecked()) {
        if (Check1->isChecked() && !Text1->text().isEmpty())
            Command6_Click();
        if (Label4->text().isEmpty() || Label6->text().isEmpty()) {
            m_dialogs.information(this, Program::kTitle,
                                  Label4->text().isEmpty() ? QStringLiteral("未选定快递单哦 ^_^")
                                                           : QStringLiteral("未选定快递公司哦 ^_^"));
            // Without a page load nothing would enable the button again.
            Command5->setEnabled(true);
            return;
        }
        SSTab1->setCurrentIndex(0);
        setDetail(QString());
        m_detailMode = DetailMode::Current;
        SubmitQuery();
        setDetail(DetailHeader(Label4->text(), Label6->text()));
        return;
    }

    QVector<QPair<QString, QString>> rows;
    if (Option16->isChecked()) {
        Outcome outcome;
        const QVector<Waybill> stored = m_store.allWaybills(&outcome);
        if (!outcome) {
            m_dialogs.information(this, Program::kTitle, outcome.error);
            Command5->setEnabled(true);
            return;
        }
        for (const Waybill &w : stored)
            rows.push_back({w.number, w.carrier});
        m_pass = Pass::Stored;
    } else {
        if (!prepareBatch(&rows)) {
            Command5->setEnabled(true);
            return;
        }
        m_pass = Pass::Batch;
    }
    SSTab1->setCurrentIndex(0);
    setDetail(QString());
    m_passRows = rows;
    m_passIndex = 0;
    m_detailMode = DetailMode::Pass;
    CommandStop->setEnabled(true);
    Timer5->setInterval(Timer1->interval() + 3000);
    Timer5->setEnabled(true);
}

void Form1::pageLoaded()
{
    Command5->setEnabled(true);
    // A concise pass keeps its button until it ends.
    if (Option14->isChecked() && !m_concise->isRunning())
        Command12->setEnabled(true);
    // The elements of the page just loaded replace those of the last one.
    const int generation = ++m_pageGeneration;
    m_fieldPresent = false;
    m_buttonPresent = false;
    const PageIds ids = PageIdsFor(currentDataSource());
    m_browser->findElement(ids.numberField, [this, generation](bool found) {
        if (generation == m_pageGeneration)
            m_fieldPresent = found;
    });
    m_browser->findElement(ids.queryButton, [this, generation](bool found) {
        if (generation == m_pageGeneration)
            m_buttonPresent = found;
    });
}

void Form1::SubmitQuery()
{
    if (m_fieldPresent && m_buttonPresent) {
        const PageIds ids = PageIdsFor(currentDataSource());
        m_browser->setValue(ids.numberField, Label4->text(), nullptr);
        m_browser->click(ids.queryButton, nullptr);
    }
    Timer1->setEnabled(true);
}

void Form1::Timer5_Timer()
{
    if (m_pass == Pass::None || m_passIndex >= m_passRows.size()) {
        Timer5->setEnabled(false);
        m_pass = Pass::None;
        m_passRows.clear();
        Command5->setEnabled(true);
        CommandStop->setEnabled(isConciseQueryRunning());
        statusBar()->showMessage(QStringLiteral("详细查询完成"), 5000);
        return;
    }
    const auto &[number, carrier] = m_passRows.at(m_passIndex);
    if (m_pass == Pass::Stored)
        Label6->setText(carrier);
    Label4->setText(number);
    appendDetail(WaybillLine(number, carrier));
    ++m_passIndex;
    showQueryProgress(m_passIndex, int(m_passRows.size()));
    SelectCarrierByLabel();
}

void Form1::Timer6_Timer()
{
    SubmitQuery();
    Timer6->setEnabled(false);
}

void Form1::Timer1_Timer()
{
    Timer1->setEnabled(false);
    const QString number = Label4->text();
    const QString carrier = Label6->text();
    const DataSource source = currentDataSource();
    const bool current = m_detailMode == DetailMode::Current;
    m_browser->bodyLines([this, number, carrier, source, current](const QStringList &lines) {
        const QStringList harvested = HarvestLines(lines, source);
        appendDetail(HarvestedText(harvested));
        if (current) {
            if (FoundNothing(m_detailText, number, carrier)) {
                m_dialogs.information(
                    this, QStringLiteral("sorry"),
                    QStringLiteral("查询未果!\r\n1.可能是系统繁忙，请稍后再试或者将延迟时间设置的大点！\r\n"
                                   "2.可能是单号错误或者无此单号，请认真核对！"));
            }
            Command5->setEnabled(true);
        }
        // Only what this waybill's page said can mark it.
        if (IsSignedFor(harvested.join(QLatin1Char('\n'))))
            MarkSignedFor(number);
    });
}
