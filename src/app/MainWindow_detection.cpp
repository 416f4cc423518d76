// Carrier detection on the main window: the line under 单号 that names the
// likely carriers, and the automatic choice when one is sure.
#include "app/MainWindow.h"

#include "carriers/TypedNumber.h"
#include "core/BackgroundTask.h"
#include "store/HistoryLoader.h"
#include "store/HistoryModel.h"
#include "store/Waybill.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {
CarrierDetection::RegisterIndex indexOf(const QVector<HistoryModel::Row> &rows)
{
    QVector<CarrierDetection::RegisterIndex::Entry> entries;
    entries.reserve(rows.size());
    for (const HistoryModel::Row &row : rows) {
        if (const auto entry = CarrierDetection::RegisterIndex::entryFor(row.number, row.carrier))
            entries.push_back(*entry);
    }
    return CarrierDetection::RegisterIndex::build(std::move(entries));
}

// A carrier's name that the wrapped line under 单号 never breaks: word joiners
// between its characters, as Chinese text may otherwise break anywhere.
QString unbroken(const QString &name)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i > 0 && !name.at(i).isLowSurrogate())
            out += QChar(0x2060);
        out += name.at(i);
    }
    return out.toHtmlEscaped();
}

// A screen reader would hear a label's rich text made plain, word joiners and
// all, and may spell a name so joined letter by letter: it gets the text as
// shown instead.
void showHint(QLabel *hint, const QString &html)
{
    QTextDocument shown;
    shown.setHtml(html);
    hint->setText(html);
    hint->setAccessibleName(shown.toPlainText().remove(QChar(0x2060)));
    hint->show();
}

void hideHint(QLabel *hint)
{
    hint->clear();
    hint->setAccessibleName(QString());
    hint->hide();
}

// Hands one widget's events to the window's detection.
class EventHook final : public QObject {
public:
    EventHook(QObject *watched, std::function<bool(QEvent *)> hook) : QObject(watched), m_hook(std::move(hook))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_hook(event); }

private:
    std::function<bool(QEvent *)> m_hook;
};
} // namespace

void MainWindow::buildDetection()
{
    m_registerTask = new BackgroundTask(this);
    // Read again with every history load, archived waybills included: the
    // list may leave them out, but their numbers still tell carriers apart.
    connect(m_historyLoader, &HistoryLoader::loaded, this, &MainWindow::rebuildRegisterIndex);
    connect(numberEdit, &QLineEdit::textChanged, this, &MainWindow::updateDetection);
    connect(detectionLabel, &QLabel::linkActivated, this, &MainWindow::detectionLink);
    auto *batchDelay = new QTimer(this);
    batchDelay->setSingleShot(true);
    batchDelay->setInterval(300);
    connect(batchNumbersEdit, &QPlainTextEdit::textChanged, batchDelay, qOverload<>(&QTimer::start));
    connect(batchDelay, &QTimer::timeout, this, &MainWindow::showBatchCarriers);
    connect(batchCarriersList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { chooseForBatchLine(item->data(Qt::UserRole).toInt()); });
    // Enter takes the first carrier offered.
    connect(numberEdit, &QLineEdit::returnPressed, this, [this] {
        if (!m_offered.candidates.isEmpty() && !m_choice->hasCarrier())
            detectionLink(QStringLiteral("0"));
    });
    // Esc in 单号 undoes the automatic choice while the hint offers it; the
    // override keeps a window shortcut from taking the key first.
    new EventHook(numberEdit, [this](QEvent *event) {
        const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
        if (!key || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape || !m_autoChosen ||
            detectionLabel->isHidden())
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            detectionLink(QStringLiteral("undo"));
        return true;
    });
    // Tab lands on the hint's first link and Shift+Tab on its last, so Enter
    // takes it at once: a QLabel alone takes the focus with no link picked,
    // and Enter there does nothing. The label's own Tab picks the link.
    new EventHook(detectionLabel, [this](QEvent *event) {
        if (event->type() != QEvent::FocusIn)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool forward = reason == Qt::TabFocusReason;
        if ((!forward && reason != Qt::BacktabFocusReason) || !detectionLabel->text().contains(QLatin1String("<a ")))
            return false;
        static_cast<QObject *>(detectionLabel)->event(event);
        QKeyEvent step(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier);
        QCoreApplication::sendEvent(detectionLabel, &step);
        return true;
    });
}

void MainWindow::userChoseCarrier()
{
    m_carrierChosenByUser = true;
    m_autoChosen = nullptr;
    m_offered = {};
    hideHint(detectionLabel);
}

void MainWindow::updateDetection()
{
    m_offered = {};
    if (TrimBlanks(numberEdit->text()).isEmpty()) {
        m_carrierChosenByUser = false;
        m_undoneFor.clear();
        hideHint(detectionLabel);
        return;
    }
    const CarrierDetection::TypedNumber typed = CarrierDetection::readTyped(numberEdit->text());
    if (!typed.several.isEmpty()) {
        // One box, one number: refused rather than joined or split, as which
        // of them the other boxes speak of is the user's to say.
        if (m_autoChosen)
            forgetAutoChosenCarrier();
        showHint(detectionLabel, QStringLiteral("单号框里有 %1 个单号（%2），一次只能填一个；多个单号请用“批量快递单”")
                                     .arg(typed.several.size())
                                     .arg(typed.several.join(QStringLiteral("、")).toHtmlEscaped()));
        return;
    }
    // A label or dashes pasted with the number leave the box: it holds the
    // number as it is stored. Through insert(), so Ctrl+Z brings them back;
    // the change comes back here.
    static bool rewriting = false;
    if (!rewriting && typed.number != WaybillNumber::normalForm(numberEdit->text()) &&
        typed.number.contains(QRegularExpression(QStringLiteral("\\d")))) {
        const QScopedValueRollback<bool> once(rewriting, true);
        numberEdit->selectAll();
        numberEdit->insert(typed.number);
        return;
    }
    const QString &number = typed.number;
    const CarrierDetection::Result result = CarrierDetection::detect(number, &m_register);
    // What is wrong with the number is said whoever chose the carrier.
    const auto warnOnly = [this, &result] {
        if (result.warning.isEmpty())
            hideHint(detectionLabel);
        else
            showHint(detectionLabel, result.warning.toHtmlEscaped());
    };
    // A carrier the user chose stays; so does one chosen in code (a history
    // pick, the start-up default) unless this number says otherwise for sure.
    if (m_carrierChosenByUser) {
        warnOnly();
        return;
    }
    const bool carrierShown = !!m_choice->hasCarrier() && !m_autoChosen;
    if (result.sure && number != m_undoneFor) {
        const Carrier &carrier = *result.sureCarrier();
        if (m_choice->carrierName() != carrier.name)
            chooseDetected(carrier);
        m_autoChosen = &carrier;
        showHint(detectionLabel,
                 QStringLiteral("已自动选择：%1（%2） <a href=\"undo\">撤销</a>")
                     .arg(unbroken(carrier.name), result.candidates.first().reason.toHtmlEscaped()));
        return;
    }
    if (m_autoChosen) {
        // The number changed and no longer points to the carrier chosen for it.
        forgetAutoChosenCarrier();
    } else if (carrierShown) {
        warnOnly();
        return;
    }
    if (result.candidates.isEmpty() && result.warning.isEmpty()) {
        hideHint(detectionLabel);
        return;
    }
    m_offered = result;
    QStringList offers;
    for (int i = 0; i < result.candidates.size() && i < 4; ++i) {
        const CarrierDetection::Candidate &c = result.candidates[i];
        offers << QStringLiteral("<a href=\"%1\">%2</a>%3")
                      .arg(i)
                      .arg(unbroken(c.carrier->name),
                           c.byRegister ? QStringLiteral("（前缀与登记一致）") : QString());
    }
    QStringList lines;
    if (!result.warning.isEmpty())
        lines << result.warning.toHtmlEscaped();
    if (!offers.isEmpty())
        lines << QStringLiteral("可能是：") + offers.join(QStringLiteral(" / "));
    showHint(detectionLabel, lines.join(QStringLiteral("<br>")));
}

void MainWindow::forgetAutoChosenCarrier()
{
    m_autoChosen = nullptr;
    turnCarrierButtonsOff();
    clearOtherCarrierList();
    m_choice->clearCarrier();
    hotlineValueLabel->clear();
}

void MainWindow::chooseDetected(const Carrier &carrier)
{
    if (carrier.isButton()) {
        setCarrierButtonOn(carrier.controlIndex);
        clearOtherCarrierList();
    } else if (carrier.isListEntry()) {
        turnCarrierButtonsOff();
        selectListEntry(carrier.controlIndex);
    } else {
        // A carrier without a page can still be queried by the concise query.
        turnCarrierButtonsOff();
        clearOtherCarrierList();
        showCarrier(carrier);
    }
}

void MainWindow::detectionLink(const QString &link)
{
    if (link == QLatin1String("undo")) {
        m_undoneFor = CarrierDetection::readTyped(numberEdit->text()).number;
        forgetAutoChosenCarrier();
        updateDetection();
        return;
    }
    bool ok = false;
    const int index = link.toInt(&ok);
    if (!ok || index < 0 || index >= m_offered.candidates.size())
        return;
    const Carrier *carrier = m_offered.candidates[index].carrier;
    chooseDetected(*carrier);
    userChoseCarrier();
}

void MainWindow::showBatchCarriers()
{
    batchCarriersList->clear();
    for (const CarrierDetection::BatchLine &l :
         CarrierDetection::readBatch(batchNumbersEdit->toPlainText(), &m_register)) {
        // A name that no carrier has is the user's word against the detection:
        // the line waits for a choice, as the batch pass treats it.
        const Carrier *carrier = l.written ? l.written : l.unknownName.isEmpty() ? l.detected.sureCarrier() : nullptr;
        QString text = QStringLiteral("%1：").arg(l.line);
        if (carrier) {
            text += carrier->name;
        } else if (!l.unknownName.isEmpty()) {
            text += QStringLiteral("？没有“%1”").arg(l.unknownName.left(10));
        } else {
            const QStringList names = l.detected.names();
            text += names.isEmpty() ? QStringLiteral("？无法识别") : QStringLiteral("？") + names.join(QLatin1Char('/'));
        }
        auto *item = new QListWidgetItem(text, batchCarriersList);
        item->setData(Qt::UserRole, l.line);
        item->setToolTip(l.number + (carrier ? QString() : QStringLiteral("：双击或按回车选择快递公司")));
    }
}

void MainWindow::chooseForBatchLine(int line)
{
    const QVector<CarrierDetection::BatchLine> lines =
        CarrierDetection::readBatch(batchNumbersEdit->toPlainText(), &m_register);
    const auto found = std::find_if(lines.cbegin(), lines.cend(),
                                    [line](const CarrierDetection::BatchLine &l) { return l.line == line; });
    if (found == lines.cend())
        return;
    QMenu menu(this);
    menu.setAccessibleName(QStringLiteral("选择快递公司"));
    QVector<const Carrier *> offered;
    for (const CarrierDetection::Candidate &c : found->detected.candidates)
        offered << c.carrier;
    for (const Carrier &c : CarrierCatalogue::all())
        if (!offered.contains(&c))
            offered << &c;
    for (const Carrier *c : offered)
        menu.addAction(c->name)->setData(c->name);
    const QRect at = batchCarriersList->visualItemRect(
        batchCarriersList->currentItem() ? batchCarriersList->currentItem() : batchCarriersList->item(0));
    if (const QAction *chosen = menu.exec(batchCarriersList->viewport()->mapToGlobal(at.bottomLeft())))
        setBatchLineCarrier(line, chosen->data().toString());
}

void MainWindow::setBatchLineCarrier(int line, const QString &carrier)
{
    const QVector<CarrierDetection::BatchLine> lines = CarrierDetection::readBatch(batchNumbersEdit->toPlainText());
    const auto found = std::find_if(lines.cbegin(), lines.cend(),
                                    [line](const CarrierDetection::BatchLine &l) { return l.line == line; });
    const QTextBlock block = batchNumbersEdit->document()->findBlockByNumber(line - 1);
    if (found == lines.cend() || !block.isValid())
        return;
    // The choice is written on the line, where the batch pass reads it.
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(found->number + QLatin1Char(',') + carrier);
    showBatchCarriers();
}

// Off the window's thread; also after a change in the management window,
// which leaves the history list as it is until the user refreshes it.
void MainWindow::rebuildRegisterIndex()
{
    using Index = std::optional<CarrierDetection::RegisterIndex>;
    m_registerTask->run<Index>(
        [path = m_store.location()](const BackgroundTask::KeepGoing &) -> Index {
            Outcome read;
            HistoryLoader::Filter everything;
            everything.showArchived = true;
            const QVector<HistoryModel::Row> rows = HistoryLoader::read(path, &read, everything);
            return read ? Index(indexOf(rows)) : std::nullopt; // a failed read keeps what is known
        },
        [this](Index index) {
            if (index)
                m_register = std::move(*index);
        });
}
