#include "manage/WaybillFormDialog.h"

#include "core/Dialogs.h"
#include "manage/OpenRegister.h"
#include "manage/WindowKeys.h"
#include "store/StoreConnection.h"

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
      m_store(std::make_unique<StoreConnection>())
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
        {&numberEdit, "numberEdit", "numberCaptionLabel", C::Number},
        {&goodsEdit, "goodsEdit", "goodsCaptionLabel", C::Goods},
        {&amountEdit, "amountEdit", "amountCaptionLabel", C::Amount},
        {&timeEdit, "timeEdit", "timeCaptionLabel", C::Time},
        {&nameEdit, "nameEdit", "nameCaptionLabel", C::Name},
        {&phoneEdit, "phoneEdit", "phoneCaptionLabel", C::Phone},
        {&addressEdit, "addressEdit", "addressCaptionLabel", C::Address},
        {&notesEdit, "notesEdit", "notesCaptionLabel", C::Notes},
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
        if (box.member == &numberEdit) {
            carrierList = new QListWidget(this);
            carrierList->setObjectName(QStringLiteral("carrierList"));
            carrierList->setAccessibleName(QStringLiteral("快递公司"));
            carrierList->setSelectionMode(QAbstractItemView::SingleSelection);
            carrierList->addItems(carriers);
            carrierList->setMaximumHeight(110);
            QLabel *carrierLabel = caption(this, "carrierCaptionLabel", QStringLiteral("快递公司："));
            carrierLabel->setBuddy(carrierList);
            m_grid->addWidget(carrierLabel, row, 0, Qt::AlignTop);
            m_grid->addWidget(carrierList, row, 1);
            ++row;
        }
    }
    enterHintLabel = caption(this, "enterHintLabel", QStringLiteral("您可以使用ENTER键，快捷切换填入内容框哦！"));
    m_grid->addWidget(enterHintLabel, row++, 0, 1, 2);
    iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setPixmap(QPixmap(QStringLiteral(":/payloads/tolvane.png")).scaled(32, 32, Qt::KeepAspectRatio));
    m_grid->addWidget(iconLabel, 0, 2, 2, 1, Qt::AlignTop);

    // The Enter chain; carrierList is not part of it.
    QLineEdit *chain[] = {numberEdit, goodsEdit, amountEdit, timeEdit, nameEdit, phoneEdit, addressEdit, notesEdit};
    for (int i = 0; i + 1 < 8; ++i) {
        QLineEdit *next = chain[i + 1];
        connect(chain[i], &QLineEdit::returnPressed, next, [next] { next->setFocus(); });
    }
    connect(notesEdit, &QLineEdit::returnPressed, this, [this] { enterInLastBox(); });
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
    const QList<QListWidgetItem *> chosen = carrierList->selectedItems();
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
    for (QLineEdit *box : {numberEdit, goodsEdit, amountEdit, timeEdit, nameEdit, phoneEdit, addressEdit, notesEdit})
        box->clear();
}

void WaybillFormDialog::selectCarrier(const QString &name)
{
    carrierList->clearSelection();
    carrierList->setCurrentItem(nullptr);
    for (int i = 0; i < carrierList->count(); ++i) {
        if (carrierList->item(i)->text() == name) {
            carrierList->setCurrentRow(i);
            carrierList->item(i)->setSelected(true);
            break;
        }
    }
}

bool WaybillFormDialog::ensureStore()
{
    return OpenRegister(*m_store, m_programFolder, m_dialogs, this);
}
