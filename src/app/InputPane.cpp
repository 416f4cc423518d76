#include "app/InputPane.h"

#include "core/BuildHelpers.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QValidator>

namespace {

// Refuses an edit that would hold more characters than the column: QLineEdit's
// own limit counts UTF-16 units, which halves it for emoji.
class CharacterLimit final : public QValidator {
public:
    CharacterLimit(int limit, QObject *parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString &input, int &) const override
    {
        return WaybillColumns::characterCount(input) <= m_limit ? Acceptable : Invalid;
    }

private:
    int m_limit;
};

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

InputPane::InputPane(const CarrierDetection::RegisterIndex &known, QWidget *parent) : QTabWidget(parent), m_known(known)
{
    setObjectName(QStringLiteral("inputTabs"));
    buildForm();
    buildBatch();
    buildHintKeys();
}

void InputPane::buildForm()
{
    inputGroup = named(new QGroupBox(this), "inputGroup");
    auto *form = new QGridLayout(inputGroup);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(3);
    struct Field {
        QLabel *&label;
        const char *labelName;
        const char *caption;
        QLineEdit *&box;
        const char *boxName;
        int column;
    };
    using C = WaybillColumns::Column;
    Field fields[] = {
        {numberInputLabel, "numberInputLabel", "单号", numberEdit, "numberEdit", C::Number},
        {goodsInputLabel, "goodsInputLabel", "物品", goodsEdit, "goodsEdit", C::Goods},
        {amountInputLabel, "amountInputLabel", "金额", amountEdit, "amountEdit", C::Amount},
        {timeInputLabel, "timeInputLabel", "时间", timeEdit, "timeEdit", C::Time},
        {nameInputLabel, "nameInputLabel", "姓名", nameEdit, "nameEdit", C::Name},
        {phoneInputLabel, "phoneInputLabel", "电话", phoneEdit, "phoneEdit", C::Phone},
        {addressInputLabel, "addressInputLabel", "联系地址", addressEdit, "addressEdit", C::Address},
        {notesInputLabel, "notesInputLabel", "备注", notesEdit, "notesEdit", C::Notes},
    };
    int index = 0;
    for (Field &f : fields) {
        f.label = named(new QLabel(QString::fromUtf8(f.caption), inputGroup), f.labelName);
        f.box = named(new QLineEdit(inputGroup), f.boxName);
        // A box never takes more than its column holds, so a save never fails on
        // length; both count characters, so an emoji is one, not two.
        f.box->setMaxLength(2 * WaybillColumns::maxLength(f.column));
        f.box->setValidator(new CharacterLimit(WaybillColumns::maxLength(f.column), f.box));
        f.box->setAccessibleName(f.label->text());
        f.label->setBuddy(f.box);
        // Row 1 is kept for the line under 单号.
        const int row = index / 2 + (index >= 2 ? 1 : 0);
        form->addWidget(f.label, row, (index % 2) * 2);
        form->addWidget(f.box, row, (index % 2) * 2 + 1);
        ++index;
    }
    timeInputLabel->setToolTip(QStringLiteral("发货时间"));
    timeEdit->setToolTip(QStringLiteral("发货时间"));
    detectionLabel = named(new QLabel(inputGroup), "detectionLabel");
    detectionLabel->setTextFormat(Qt::RichText);
    detectionLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    detectionLabel->setAccessibleDescription(QStringLiteral("按单号识别的快递公司"));
    // A long reason wraps within the form; it never widens the window.
    detectionLabel->setWordWrap(true);
    detectionLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    detectionLabel->hide();
    form->addWidget(detectionLabel, 1, 1, 1, 3);
    setTabOrder(numberEdit, detectionLabel);
    // Made in the order that Tab visits them, which is the order they are read.
    autoSaveCheckBox =
        named(new QCheckBox(QStringLiteral("自动保存输入信息到历史记录"), inputGroup), "autoSaveCheckBox");
    saveInputButton = named(new QPushButton(QStringLiteral("保存输入信息"), inputGroup), "saveInputButton");
    saveInputButton->setToolTip(QStringLiteral("保存输入框中的各运单数据"));
    clearInputButton = named(new QPushButton(QStringLiteral("清空输入信息"), inputGroup), "clearInputButton");
    clearInputButton->setToolTip(QStringLiteral("清空输入框中的各运单数据"));
    form->addWidget(autoSaveCheckBox, 5, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(saveInputButton);
    buttons->addWidget(clearInputButton);
    form->addLayout(buttons, 6, 0, 1, 4);
    // A taller form keeps its rows together; the room left goes below them.
    form->setRowStretch(7, 1);
    addTab(inputGroup, QStringLiteral("单个快递单"));

    connectForm();
}

void InputPane::connectForm()
{
    connect(numberEdit, &QLineEdit::textChanged, this, [this] { keepTrimmed(numberEdit, &Waybill::number); });
    connect(notesEdit, &QLineEdit::textChanged, this, [this] { keepTrimmed(notesEdit, &Waybill::notes); });
    const QPair<QLineEdit *, QString Waybill::*> copies[] = {
        {goodsEdit, &Waybill::goods}, {amountEdit, &Waybill::amount}, {timeEdit, &Waybill::time},
        {nameEdit, &Waybill::name},   {phoneEdit, &Waybill::phone},   {addressEdit, &Waybill::address}};
    for (const auto &[box, field] : copies)
        connect(box, &QLineEdit::textChanged, this,
                [this, field = field](const QString &text) { Q_EMIT fieldChanged(field, text); });
    connect(numberEdit, &QLineEdit::returnPressed, this, &InputPane::numberEntered);
    connect(saveInputButton, &QPushButton::clicked, this, &InputPane::saveClicked);
    connect(clearInputButton, &QPushButton::clicked, this, &InputPane::clearForm);
    connect(autoSaveCheckBox, &QCheckBox::clicked, this, &InputPane::autoSaveClicked);
    connect(detectionLabel, &QLabel::linkActivated, this, &InputPane::hintLinkActivated);
}

void InputPane::buildBatch()
{
    auto *batchPage = new QWidget(this);
    auto *batchLayout = new QHBoxLayout(batchPage);
    batchLayout->setContentsMargins(0, 0, 0, 0);
    batchLayout->setSpacing(2);
    batchNumbersEdit = named(new QPlainTextEdit(batchPage), "batchNumbersEdit");
    batchNumbersEdit->setToolTip(QStringLiteral("每行一个快递单号"));
    batchNumbersEdit->setAccessibleName(QStringLiteral("批量快递单"));
    batchNumbersEdit->setTabChangesFocus(true);
    // Beside the numbers: the carrier each line will run with.
    batchCarriersList = named(new QListWidget(batchPage), "batchCarriersList");
    batchCarriersList->setAccessibleName(QStringLiteral("各行的快递公司"));
    batchCarriersList->setToolTip(QStringLiteral("双击或按回车为无法确定的单号选择快递公司"));
    batchLayout->addWidget(batchNumbersEdit, 3);
    batchLayout->addWidget(batchCarriersList, 2);
    addTab(batchPage, QStringLiteral("批量快递单"));

    auto *batchDelay = new QTimer(this);
    batchDelay->setSingleShot(true);
    batchDelay->setInterval(300);
    connect(batchNumbersEdit, &QPlainTextEdit::textChanged, batchDelay, qOverload<>(&QTimer::start));
    connect(batchDelay, &QTimer::timeout, this, &InputPane::showBatchCarriers);
    connect(batchCarriersList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { chooseForBatchLine(item->data(Qt::UserRole).toInt()); });
}

void InputPane::buildHintKeys()
{
    // Esc in 单号 undoes the automatic choice while the hint offers it; the
    // override keeps a window shortcut from taking the key first.
    new EventHook(numberEdit, [this](QEvent *event) {
        const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
        if (!key || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape || !m_undoable ||
            detectionLabel->isHidden())
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            Q_EMIT hintLinkActivated(QStringLiteral("undo"));
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

void InputPane::keepTrimmed(QLineEdit *box, QString Waybill::*field)
{
    const QString trimmed = TrimBlanks(box->text());
    if (trimmed != box->text()) {
        // The box never keeps blanks at either end; the change comes back here.
        const int caret = qMin(box->cursorPosition(), int(trimmed.size()));
        box->setText(trimmed);
        box->setCursorPosition(caret);
        return;
    }
    Q_EMIT fieldChanged(field, box->text());
}

QString InputPane::number() const
{
    return numberEdit->text();
}

void InputPane::replaceNumber(const QString &number)
{
    numberEdit->selectAll();
    numberEdit->insert(number);
}

QString InputPane::batchText() const
{
    return batchNumbersEdit->toPlainText();
}

bool InputPane::autoSave() const
{
    return autoSaveCheckBox->isChecked();
}

void InputPane::setAutoSave(bool on)
{
    autoSaveCheckBox->setChecked(on);
}

void InputPane::setTime(const QString &time)
{
    timeEdit->setText(time);
}

void InputPane::clearForm()
{
    for (QLineEdit *box : {numberEdit, nameEdit, phoneEdit, notesEdit, goodsEdit, amountEdit, addressEdit})
        box->setText(QString());
}

void InputPane::showHint(const QString &html, bool undoable)
{
    m_undoable = undoable;
    ::showHint(detectionLabel, html);
}

void InputPane::dropHint()
{
    m_undoable = false;
    detectionLabel->clear();
    detectionLabel->hide();
}

void InputPane::hideHint()
{
    m_undoable = false;
    ::hideHint(detectionLabel);
}

void InputPane::showBatchCarriers()
{
    batchCarriersList->clear();
    for (const CarrierDetection::BatchLine &l :
         CarrierDetection::readBatch(batchNumbersEdit->toPlainText(), &m_known)) {
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
            text +=
                names.isEmpty() ? QStringLiteral("？无法识别") : QStringLiteral("？") + names.join(QLatin1Char('/'));
        }
        auto *item = new QListWidgetItem(text, batchCarriersList);
        item->setData(Qt::UserRole, l.line);
        item->setToolTip(l.number + (carrier ? QString() : QStringLiteral("：双击或按回车选择快递公司")));
    }
}

void InputPane::chooseForBatchLine(int line)
{
    const QVector<CarrierDetection::BatchLine> lines =
        CarrierDetection::readBatch(batchNumbersEdit->toPlainText(), &m_known);
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

void InputPane::setBatchLineCarrier(int line, const QString &carrier)
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
