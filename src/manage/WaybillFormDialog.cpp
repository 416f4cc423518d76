#include "manage/WaybillFormDialog.h"

#include "core/Dialogs.h"
#include "store/WaybillStore.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>

namespace {
QLabel *caption(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}
} // namespace

WaybillFormDialog::WaybillFormDialog(const QString &objectName, const QString &windowCaption,
                                     const QStringList &carriers, const QString &programFolder, Dialogs &dialogs,
                                     QWidget *parent)
    : QWidget(parent, Qt::Window), m_programFolder(programFolder), m_dialogs(dialogs),
      m_store(std::make_unique<WaybillStore>())
{
    setObjectName(objectName);
    setWindowTitle(windowCaption);

    struct Box {
        QLineEdit **member;
        const char *name;
        const char *label;
        QString caption;
    };
    const Box boxes[] = {
        {&Text1, "Text1", "Label1", QStringLiteral("快递单号")}, {&Text2, "Text2", "Label4", QStringLiteral("物品")},
        {&Text3, "Text3", "Label5", QStringLiteral("金额")},     {&Text4, "Text4", "Label6", QStringLiteral("时间")},
        {&Text5, "Text5", "Label7", QStringLiteral("姓名")},     {&Text6, "Text6", "Label8", QStringLiteral("电话")},
        {&Text7, "Text7", "Label9", QStringLiteral("联系地址")}, {&Text8, "Text8", "Label3", QStringLiteral("备注")},
    };
    m_grid = new QGridLayout(this);
    int row = 0;
    for (const Box &box : boxes) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(box.name));
        edit->setAccessibleName(box.caption);
        QLabel *label = caption(this, box.label, box.caption);
        label->setBuddy(edit);
        m_grid->addWidget(label, row, 0);
        m_grid->addWidget(edit, row, 1);
        *box.member = edit;
        ++row;
        if (box.member == &Text1) {
            List1 = new QListWidget(this);
            List1->setObjectName(QStringLiteral("List1"));
            List1->setAccessibleName(QStringLiteral("快递公司"));
            List1->setSelectionMode(QAbstractItemView::SingleSelection);
            List1->addItems(carriers);
            List1->setMaximumHeight(110);
            QLabel *carrierLabel = caption(this, "Label2", QStringLiteral("快递公司："));
            carrierLabel->setBuddy(List1);
            m_grid->addWidget(carrierLabel, row, 0, Qt::AlignTop);
            m_grid->addWidget(List1, row, 1);
            ++row;
        }
    }
    Label10 = caption(this, "Label10", QStringLiteral("您可以使用ENTER键，快捷切换填入内容框哦！"));
    m_grid->addWidget(Label10, row++, 0, 1, 2);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/payloads/tolvane.png")).scaled(32, 32, Qt::KeepAspectRatio));
    m_grid->addWidget(Image1, 0, 2, 2, 1, Qt::AlignTop);

    // The Enter chain; List1 is not part of it.
    QLineEdit *chain[] = {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8};
    for (int i = 0; i + 1 < 8; ++i) {
        QLineEdit *next = chain[i + 1];
        connect(chain[i], &QLineEdit::returnPressed, next, [next] { next->setFocus(); });
    }
    connect(Text8, &QLineEdit::returnPressed, this, [this] { enterInLastBox(); });
}

WaybillFormDialog::~WaybillFormDialog() = default;

void WaybillFormDialog::addButtons(QWidget *action, QWidget *exit)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(action);
    buttons->addWidget(exit);
    m_grid->addLayout(buttons, m_grid->rowCount(), 0, 1, 3);
}

Waybill WaybillFormDialog::typed() const
{
    Waybill w;
    w.number = Text1->text();
    const QList<QListWidgetItem *> chosen = List1->selectedItems();
    w.carrier = chosen.isEmpty() ? QStringLiteral("") : chosen.first()->text();
    w.goods = Text2->text();
    w.amount = Text3->text();
    w.time = Text4->text();
    w.name = Text5->text();
    w.phone = Text6->text();
    w.address = Text7->text();
    w.notes = Text8->text();
    return w;
}

void WaybillFormDialog::fill(const Waybill &w)
{
    Text1->setText(w.number);
    Text2->setText(w.goods);
    Text3->setText(w.amount);
    Text4->setText(w.time);
    Text5->setText(w.name);
    Text6->setText(w.phone);
    Text7->setText(w.address);
    Text8->setText(w.notes);
    selectCarrier(w.carrier);
}

void WaybillFormDialog::clearBoxes()
{
    for (QLineEdit *box : {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8})
        box->clear();
}

void WaybillFormDialog::selectCarrier(const QString &name)
{
    List1->clearSelection();
    List1->setCurrentItem(nullptr);
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->text() == name) {
            List1->setCurrentRow(i);
            List1->item(i)->setSelected(true);
            break;
        }
    }
}

bool WaybillFormDialog::ensureStore()
{
    if (m_store->isOpen())
        return true;
    const Outcome opened = m_store->open(QDir(m_programFolder).filePath(WaybillStore::fileName()));
    if (!opened)
        m_dialogs.critical(this, QStringLiteral("Tolvane"), opened.error);
    return bool(opened);
}
