#include "manage/RegisterSearchBar.h"

#include "manage/SearchAnswer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

RegisterSearchBar::RegisterSearchBar(QWidget *parent) : QGroupBox(QStringLiteral("快速查找"), parent)
{
    setObjectName(QStringLiteral("searchGroup"));
    auto *keyCaption = new QLabel(QStringLiteral("关键字："), this);
    keyCaption->setObjectName(QStringLiteral("searchKeyCaptionLabel"));
    m_keyEdit = new QLineEdit(this);
    m_keyEdit->setObjectName(QStringLiteral("searchKeyEdit"));
    m_keyEdit->setAccessibleName(QStringLiteral("关键字"));
    keyCaption->setBuddy(m_keyEdit);
    auto *columnCaption = new QLabel(QStringLiteral("在"), this);
    columnCaption->setObjectName(QStringLiteral("searchColumnCaptionLabel"));
    m_columnCombo = new QComboBox(this);
    m_columnCombo->setObjectName(QStringLiteral("searchColumnCombo"));
    m_columnCombo->setAccessibleName(QStringLiteral("查找的列"));
    m_columnCombo->addItems({QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("状态"),
                             QStringLiteral("物品"), QStringLiteral("姓名"), QStringLiteral("时间"),
                             QStringLiteral("备注")});
    // Wide enough for the longest column name under every skin.
    m_columnCombo->setMinimumWidth(m_columnCombo->fontMetrics().horizontalAdvance(QStringLiteral("快递单号")) + 48);
    columnCaption->setBuddy(m_columnCombo);
    // Rows are read in the background; this says so until they are shown.
    m_activityLabel = new QLabel(this);
    m_activityLabel->setObjectName(QStringLiteral("readingLabel"));
    m_activityLabel->setToolTip(QStringLiteral("读取状态"));
    m_activityLabel->setAccessibleDescription(QStringLiteral("读取状态")); // its name is the state it shows
    m_activityLabel->setMinimumWidth(m_activityLabel->fontMetrics().horizontalAdvance(QStringLiteral("正在读取…")) + 4);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(keyCaption);
    layout->addWidget(m_keyEdit, 1);
    layout->addWidget(columnCaption);
    layout->addWidget(m_columnCombo);
    m_showArchivedCheckBox = new QCheckBox(QStringLiteral("显示已归档"), this);
    m_showArchivedCheckBox->setObjectName(QStringLiteral("showArchivedCheckBox"));
    m_showArchivedCheckBox->setAccessibleName(m_showArchivedCheckBox->text());
    m_showArchivedCheckBox->setToolTip(QStringLiteral("列出并查找已签收多日、已归档的快递单"));
    layout->addWidget(m_showArchivedCheckBox);
    layout->addWidget(m_activityLabel);
    m_answerLabel = new QLabel(this);
    m_answerLabel->setObjectName(QStringLiteral("searchResultLabel"));
    m_answerLabel->setAccessibleDescription(QStringLiteral("查找结果")); // its name is the result it shows
    m_answerLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_showArchivedFoundButton = new QPushButton(QStringLiteral("显示"), this);
    m_showArchivedFoundButton->setObjectName(QStringLiteral("showArchivedFoundButton"));
    m_showArchivedFoundButton->setAccessibleName(QStringLiteral("显示已归档的快递单"));
    m_showArchivedFoundButton->hide();
    layout->addWidget(m_answerLabel);
    layout->addWidget(m_showArchivedFoundButton);

    connect(m_keyEdit, &QLineEdit::textChanged, this, &RegisterSearchBar::keyEdited);
    connect(m_showArchivedCheckBox, &QCheckBox::toggled, this, &RegisterSearchBar::showArchivedToggled);
    connect(m_showArchivedFoundButton, &QPushButton::clicked, m_showArchivedCheckBox,
            [this] { m_showArchivedCheckBox->setChecked(true); });
}

QString RegisterSearchBar::column() const
{
    return m_columnCombo->currentText();
}

QString RegisterSearchBar::key() const
{
    return m_keyEdit->text();
}

bool RegisterSearchBar::showsArchived() const
{
    return m_showArchivedCheckBox->isChecked();
}

void RegisterSearchBar::clearKey()
{
    const QSignalBlocker quiet(m_keyEdit);
    m_keyEdit->clear();
    m_answerLabel->clear();
    m_showArchivedFoundButton->hide();
}

void RegisterSearchBar::tellAnswer(const WaybillLoader::Result &result)
{
    m_answerLabel->setText(SearchAnswer::text(result));
    m_showArchivedFoundButton->setVisible(SearchAnswer::offersArchived(result));
}

void RegisterSearchBar::setActivity(const QString &text)
{
    m_activityLabel->setText(text);
}

void RegisterSearchBar::focusKey()
{
    m_keyEdit->setFocus();
}

QVector<QWidget *> RegisterSearchBar::tabStops() const
{
    return {m_keyEdit, m_columnCombo, m_showArchivedCheckBox};
}
