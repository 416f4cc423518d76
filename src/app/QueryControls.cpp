#include "app/QueryControls.h"

#include "core/BuildHelpers.h"

#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>

namespace {
QPushButton *button(const char *name, const QString &caption, const QString &tooltip, QWidget *parent)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setToolTip(tooltip);
    return b;
}
} // namespace

QueryControls::QueryControls(QWidget *parent) : QGroupBox(QStringLiteral("查询"), parent)
{
    setObjectName(QStringLiteral("queryGroup"));
    // Options beside the buttons: a column of six would hold the window taller than it opens.
    auto *box = new QGridLayout(this);
    currentNumberOption = named(new QRadioButton(QStringLiteral("当前单号"), this), "currentNumberOption");
    storedNumbersOption = named(new QRadioButton(QStringLiteral("已存单号"), this), "storedNumbersOption");
    batchNumbersOption = named(new QRadioButton(QStringLiteral("批量单号"), this), "batchNumbersOption");
    conciseQueryButton =
        button("conciseQueryButton", QStringLiteral("简洁查询"), QStringLiteral("仅查询最后一条记录"), this);
    detailedQueryButton =
        button("detailedQueryButton", QStringLiteral("详细查询"), QStringLiteral("查询所有记录"), this);
    stopQueryButton = button("stopQueryButton", QStringLiteral("停止查询"), QStringLiteral("停止正在进行的查询"), this);
    stopQueryButton->setEnabled(false);
    QWidget *column[][2] = {{currentNumberOption, conciseQueryButton},
                            {storedNumbersOption, detailedQueryButton},
                            {batchNumbersOption, stopQueryButton}};
    for (int row = 0; row < 3; ++row) {
        box->addWidget(column[row][0], row, 0);
        box->addWidget(column[row][1], row, 1);
    }
    box->setRowStretch(3, 1);
    connect(conciseQueryButton, &QPushButton::clicked, this, &QueryControls::conciseClicked);
    connect(detailedQueryButton, &QPushButton::clicked, this, &QueryControls::detailedClicked);
    connect(stopQueryButton, &QPushButton::clicked, this, &QueryControls::stopClicked);
}

QueryControls::Scope QueryControls::scope() const
{
    if (currentNumberOption->isChecked())
        return Scope::Current;
    if (storedNumbersOption->isChecked())
        return Scope::Stored;
    if (batchNumbersOption->isChecked())
        return Scope::Batch;
    return Scope::None;
}

void QueryControls::setScope(Scope scope)
{
    if (scope == Scope::Current)
        currentNumberOption->setChecked(true);
    else if (scope == Scope::Stored)
        storedNumbersOption->setChecked(true);
    else if (scope == Scope::Batch)
        batchNumbersOption->setChecked(true);
}

void QueryControls::setConciseEnabled(bool on)
{
    conciseQueryButton->setEnabled(on);
}

void QueryControls::setConciseTip(const QString &tip)
{
    conciseQueryButton->setToolTip(tip);
}

void QueryControls::setDetailedEnabled(bool on)
{
    detailedQueryButton->setEnabled(on);
}

void QueryControls::setStopEnabled(bool on)
{
    stopQueryButton->setEnabled(on);
}

void QueryControls::clickConcise()
{
    conciseQueryButton->click();
}
