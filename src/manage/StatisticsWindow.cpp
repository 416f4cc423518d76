#include "manage/StatisticsWindow.h"

#include "core/BackgroundTask.h"
#include "manage/WindowKeys.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <iterator>

namespace {
const char *const kCaptions[4] = {"按状态", "按快递公司", "按月份", "在途天数"};

QChartView *chartView(QChart *chart)
{
    // The charts take the colours of the chosen skin.
    const QPalette palette = QApplication::palette();
    chart->setTheme(palette.color(QPalette::Window).lightness() < 128 ? QChart::ChartThemeDark
                                                                      : QChart::ChartThemeLight);
    chart->setBackgroundBrush(palette.brush(QPalette::Window));
    chart->setTitleBrush(palette.brush(QPalette::WindowText));
    chart->legend()->setLabelColor(palette.color(QPalette::WindowText));
    auto *view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 260);
    return view;
}

QChart *pieChart(const Statistics::Counts &counts)
{
    auto *series = new QPieSeries;
    for (const auto &[name, count] : counts)
        series->append(QStringLiteral("%1（%2）").arg(name).arg(count), count);
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}

void fill(QTableWidget *table, const QStringList &headers, const QVector<QStringList> &rows)
{
    table->clear();
    table->setColumnCount(int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    table->resizeColumnsToContents();
}
} // namespace

QColor StatisticsWindow::sliceColour(int index)
{
    // Twelve hues 30 degrees apart, neighbours far apart on the wheel, light
    // and dark in turn; past them the golden angle keeps new hues apart.
    static const int hues[] = {210, 30, 120, 0, 270, 60, 180, 330, 90, 240, 150, 300};
    constexpr int kFixed = int(std::size(hues));
    if (index < kFixed)
        return QColor::fromHsv(hues[index], 170, index % 2 ? 170 : 225);
    const int hue = int(15 + (index - kFixed) * 137.508) % 360;
    return QColor::fromHsv(hue, 120 + (index % 3) * 50, 150 + (index % 4) * 25);
}

QChart *StatisticsWindow::barChart(const QStringList &categories, const QVector<QPair<QString, QVector<double>>> &sets)
{
    auto *series = new QBarSeries;
    double top = 1;
    for (const auto &[name, values] : sets) {
        auto *set = new QBarSet(name);
        for (double v : values) {
            *set << v;
            top = std::max(top, v);
        }
        series->append(set);
    }
    auto *chart = new QChart;
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    // A carrier's name whole: slanted when many share the width, never cut to "德…".
    x->setTruncateLabels(false);
    if (categories.size() > 3)
        x->setLabelsAngle(-45);
    auto *y = new QValueAxis;
    y->setRange(0, top * 1.1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->setVisible(sets.size() > 1);
    return chart;
}

StatisticsWindow::StatisticsWindow(StoreLocation where, const QDate &today, QWidget *parent)
    : QWidget(parent, Qt::Window), m_where(std::move(where)), m_task(new BackgroundTask(this))
{
    setObjectName(QStringLiteral("StatisticsWindow"));
    setWindowTitle(QStringLiteral("统计"));
    InstallWindowKeys(this);

    dateRangeCheckBox = new QCheckBox(QStringLiteral("按日期范围"), this);
    dateRangeCheckBox->setObjectName(QStringLiteral("dateRangeCheckBox"));
    fromDateEdit = new QDateEdit(today.addMonths(-1), this);
    toDateEdit = new QDateEdit(today, this);
    for (QDateEdit *d : {fromDateEdit, toDateEdit}) {
        d->setDisplayFormat(QStringLiteral("yyyy/M/d"));
        d->setCalendarPopup(true);
        d->setEnabled(false);
    }
    fromDateEdit->setObjectName(QStringLiteral("fromDateEdit"));
    toDateEdit->setObjectName(QStringLiteral("toDateEdit"));
    fromDateEdit->setAccessibleName(QStringLiteral("开始日期"));
    toDateEdit->setAccessibleName(QStringLiteral("结束日期"));
    refreshButton = new QPushButton(QStringLiteral("统计"), this);
    refreshButton->setObjectName(QStringLiteral("refreshButton"));
    stateLabel = new QLabel(this);
    stateLabel->setObjectName(QStringLiteral("stateLabel"));
    stateLabel->setAccessibleDescription(QStringLiteral("统计状态"));
    auto *top = new QHBoxLayout;
    top->addWidget(dateRangeCheckBox);
    top->addWidget(fromDateEdit);
    top->addWidget(new QLabel(QStringLiteral("至"), this));
    top->addWidget(toDateEdit);
    top->addWidget(refreshButton);
    top->addWidget(stateLabel, 1);

    chartTabs = new QTabWidget(this);
    chartTabs->setObjectName(QStringLiteral("chartTabs"));
    for (int i = 0; i < 4; ++i)
        chartTabs->addTab(page(i, QString::fromUtf8(kCaptions[i])), QString::fromUtf8(kCaptions[i]));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(chartTabs, 1);
    resize(820, 480);

    connect(dateRangeCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        fromDateEdit->setEnabled(on);
        toDateEdit->setEnabled(on);
        refresh();
    });
    connect(refreshButton, &QPushButton::clicked, this, &StatisticsWindow::refresh);
    connect(m_task, &BackgroundTask::busyChanged, this, [this](bool busy) {
        if (busy)
            stateLabel->setText(QStringLiteral("正在统计…"));
    });
}

QWidget *StatisticsWindow::page(int index, const QString &caption)
{
    auto *page = new QWidget(this);
    auto *row = new QHBoxLayout(page);
    m_chartSlots[index] = new QVBoxLayout;
    row->addLayout(m_chartSlots[index], 3);
    summaryGrids[index] = new QTableWidget(page);
    summaryGrids[index]->setObjectName(QStringLiteral("summaryGrids[%1]").arg(index));
    summaryGrids[index]->setAccessibleName(caption);
    summaryGrids[index]->setEditTriggers(QAbstractItemView::NoEditTriggers);
    summaryGrids[index]->verticalHeader()->hide();
    row->addWidget(summaryGrids[index], 2);
    return page;
}

void StatisticsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

bool StatisticsWindow::isReading() const
{
    return m_task->isBusy();
}

void StatisticsWindow::refresh()
{
    Statistics::Range range;
    if (dateRangeCheckBox->isChecked()) {
        range.from = std::min(fromDateEdit->date(), toDateEdit->date());
        range.to = std::max(fromDateEdit->date(), toDateEdit->date());
    }
    m_task->run<std::pair<Statistics::Summary, Outcome>>(
        [path = m_where, range](const BackgroundTask::KeepGoing &) {
            Outcome outcome;
            Statistics::Summary s = Statistics::read(path, range, &outcome);
            return std::make_pair(std::move(s), outcome);
        },
        [this](const std::pair<Statistics::Summary, Outcome> &result) {
            if (!result.second) {
                stateLabel->setText(result.second.error);
                return;
            }
            showSummary(result.first);
        });
}

void StatisticsWindow::showSummary(const Statistics::Summary &summary)
{
    m_summary = summary;
    const auto countRows = [](const Statistics::Counts &counts) {
        QVector<QStringList> rows;
        for (const auto &[name, count] : counts)
            rows.push_back({name, QString::number(count)});
        return rows;
    };
    fill(summaryGrids[0], {QStringLiteral("状态"), QStringLiteral("运单数")}, countRows(summary.byStatus));
    fill(summaryGrids[1], {QStringLiteral("快递公司"), QStringLiteral("运单数")}, countRows(summary.byCarrier));
    fill(summaryGrids[2], {QStringLiteral("月份"), QStringLiteral("运单数")}, countRows(summary.byMonth));
    QVector<QStringList> transitRows;
    QStringList carriers;
    QVector<double> medians, slowest;
    for (const Statistics::Transit &t : summary.transit) {
        transitRows.push_back(
            {t.carrier, QString::number(t.count), QString::number(t.median, 'g', 4), QString::number(t.slowest)});
        carriers << t.carrier;
        medians << t.median;
        slowest << t.slowest;
    }
    fill(summaryGrids[3],
         {QStringLiteral("快递公司"), QStringLiteral("运单数"), QStringLiteral("中位天数"), QStringLiteral("最慢天数")},
         transitRows);

    QStringList months;
    QVector<double> perMonth;
    for (const auto &[month, count] : summary.byMonth) {
        months << month;
        perMonth << count;
    }
    QChart *charts[4] = {
        pieChart(summary.byStatus), pieChart(summary.byCarrier),
        barChart(months, {{QStringLiteral("运单数"), perMonth}}),
        barChart(carriers, {{QStringLiteral("中位天数"), medians}, {QStringLiteral("最慢天数"), slowest}})};
    for (int i = 0; i < 4; ++i) {
        while (QLayoutItem *old = m_chartSlots[i]->takeAt(0)) {
            delete old->widget();
            delete old;
        }
        charts[i]->setTitle(QStringLiteral("%1（共 %2 条）").arg(QString::fromUtf8(kCaptions[i])).arg(summary.total));
        QChartView *view = chartView(charts[i]);
        // After the theme, which would paint every slice in shades of one colour.
        for (QAbstractSeries *series : charts[i]->series()) {
            if (auto *pie = qobject_cast<QPieSeries *>(series)) {
                for (int s = 0; s < pie->count(); ++s)
                    pie->slices().at(s)->setBrush(sliceColour(s));
            }
        }
        view->setAccessibleName(QString::fromUtf8(kCaptions[i]) + QStringLiteral("图表"));
        m_chartSlots[i]->addWidget(view);
    }
    stateLabel->setText(QStringLiteral("共 %1 条快递单").arg(summary.total));
}
