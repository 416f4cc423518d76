#include "app/ResultsPane.h"

#include "core/BuildHelpers.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QPushButton *button(const char *name, const QString &caption, const QString &tooltip, QWidget *parent)
{
    auto *b = named(new QPushButton(caption, parent), name);
    if (!tooltip.isEmpty())
        b->setToolTip(tooltip);
    return b;
}
} // namespace

ResultsPane::ResultsPane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("resultsPane"));
    resultTabs = named(new QTabBar(this), "resultTabs");
    resultTabs->addTab(QStringLiteral("详细结果"));
    resultTabs->addTab(QStringLiteral("简洁结果"));
    resultTabs->setAccessibleName(QStringLiteral("查询结果"));
    detailedResultText = named(new QTextEdit(this), "detailedResultText");
    detailedResultText->setReadOnly(true);
    detailedResultText->setAcceptRichText(false);
    detailedResultText->setAccessibleName(QStringLiteral("详细结果"));
    conciseResultView = named(new QTreeWidget(this), "conciseResultView");
    conciseResultView->setRootIsDecorated(false);
    conciseResultView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    conciseResultView->setAccessibleName(QStringLiteral("简洁结果"));
    conciseResultView->setHeaderHidden(false);
    conciseResultView->setColumnCount(0);
    conciseResultView->hide();
    saveConciseResultsButton =
        button("saveConciseResultsButton", QStringLiteral("保存简洁结果"), QStringLiteral("保存批量查询结果"), this);
    saveDetailedResultsButton =
        button("saveDetailedResultsButton", QStringLiteral("保存详细结果"), QStringLiteral("保存查询到的结果"), this);
    clearResultsButton = button("clearResultsButton", QStringLiteral("清空结果"), QString(), this);
    connect(saveConciseResultsButton, &QPushButton::clicked, this, &ResultsPane::saveConciseClicked);
    connect(saveDetailedResultsButton, &QPushButton::clicked, this, &ResultsPane::saveDetailedClicked);
    connect(clearResultsButton, &QPushButton::clicked, this, &ResultsPane::clearClicked);
    connect(resultTabs, &QTabBar::currentChanged, this, &ResultsPane::showChosenResults);

    auto *results = new QVBoxLayout(this);
    results->setContentsMargins(0, 0, 0, 0);
    results->setSpacing(0);
    results->addWidget(resultTabs);
    results->addWidget(detailedResultText, 1);
    results->addWidget(conciseResultView, 1);
    auto *resultButtons = new QHBoxLayout;
    resultButtons->addWidget(saveConciseResultsButton);
    resultButtons->addWidget(saveDetailedResultsButton);
    resultButtons->addWidget(clearResultsButton);
    results->addLayout(resultButtons);
}

void ResultsPane::startConcise()
{
    conciseResultView->show();
    detailedResultText->hide();
    m_conciseRows.clear();
    conciseResultView->clear();
    m_columns = 3;
    conciseResultView->setColumnCount(m_columns);
    conciseResultView->setHeaderLabels(
        {QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("最后状态")});
    // The number and the carrier whole; the state takes the rest, its tooltip the whole of it.
    conciseResultView->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    conciseResultView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    resultTabs->setCurrentIndex(1);
}

int ResultsPane::addConciseRow(const QString &number, const QString &carrier, const QString &state)
{
    m_conciseRows << QStringList{number, carrier, state};
    auto *item = new QTreeWidgetItem(conciseResultView, m_conciseRows.last());
    item->setToolTip(2, state);
    return int(m_conciseRows.size()) - 1;
}

void ResultsPane::setConciseState(int row, const QString &state)
{
    if (row < 0 || row >= m_conciseRows.size())
        return;
    m_conciseRows[row][2] = state;
    if (QTreeWidgetItem *item = conciseResultView->topLevelItem(row))
        item->setText(2, state);
}

QVector<QStringList> ResultsPane::conciseRows() const
{
    // As many cells as the list has columns, and at least one.
    QVector<QStringList> rows;
    for (const QStringList &row : m_conciseRows) {
        QStringList cells = row.mid(0, qMax(m_columns, 1));
        while (cells.size() < qMax(m_columns, 1))
            cells << QString();
        rows << cells;
    }
    return rows;
}

void ResultsPane::clearConcise(bool keepColumns)
{
    m_conciseRows.clear();
    conciseResultView->clear();
    if (!keepColumns) {
        m_columns = 0;
        conciseResultView->setColumnCount(0);
    }
}

void ResultsPane::startDetailed()
{
    conciseResultView->hide();
    detailedResultText->show();
}

void ResultsPane::chooseDetailedTab()
{
    resultTabs->setCurrentIndex(0);
}

void ResultsPane::setDetail(const QString &text)
{
    m_detailText = text;
    detailedResultText->setPlainText(text);
}

void ResultsPane::appendDetail(const QString &text)
{
    if (text.isEmpty())
        return;
    m_detailText += text;
    QTextCursor cursor(detailedResultText->document());
    cursor.movePosition(QTextCursor::End);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(shown);
}

void ResultsPane::showChosenResults()
{
    const bool detailed = resultTabs->currentIndex() == 0;
    detailedResultText->setVisible(detailed);
    conciseResultView->setVisible(!detailed);
}
