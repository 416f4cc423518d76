#include "manage/WaybillFormDialog.h"

#include "core/Dialogs.h"
#include "manage/OpenRegister.h"
#include "manage/WindowKeys.h"
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
    InstallWindowKeys(this);
    setWindowTitle(windowCaption);

    struct Box {
        QLineEdit **member;
        const char *name;
        const char *label;
        WaybillColumns::Column column;
    };
    using C = WaybillColumns::Column;
    const Box boxes[] = {
        {&Text1, "Text1", "Label1", C::Number},  {&Text2, "Text2", "Label4", C::Goods},
        {&Text3, "Text3", "Label5", C::Amount},  {&Text4, "Text4", "Label6", C::Time},
        {&Text5, "Text5", "Label7", C::Name},    {&Text6, "Text6", "Label8", C::Phone},
        {&Text7, "Text7", "Label9", C::Address}, {&Text8, "Text8", "Label3", C::Notes},
    };
    m_grid = new QGridLayout(this);
    int row = 0;
    for (const Box &box : boxes) {
        const QString columnName = WaybillColumns::name(box.column);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(box.name));
        edit->setAccessibleName(columnName);
        m_boxes.push_back({box.column, edit});
        QLabel *label = caption(this, box.label, columnName);
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
    for (const auto &[column, box] : m_boxes)
        WaybillColumns::value(w, column) = box->text();
    const QList<QListWidgetItem *> chosen = List1->selectedItems();
    w.carrier = chosen.isEmpty() ? QStringLiteral("") : chosen.first()->text();
    return w;
}

void WaybillFormDialog::fill(const Waybill &w)
{
    for (const auto &[column, box] : m_boxes)
        box->setText(WaybillColumns::value(w, column));
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
    return OpenRegister(*m_store, m_programFolder, m_dialogs, this);
}
