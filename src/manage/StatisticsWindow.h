#pragma once

#include "store/Statistics.h"

#include <QColor>
#include <QWidget>

class BackgroundTask;
class QChart;
class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;

// "统计": the register by status, carrier, month and days in transit, as
// charts with their numbers beside them, over every row or a date range.
// The register is read on a worker; the window stays usable meanwhile.
class StatisticsWindow final : public QWidget {
    Q_OBJECT
public:
    StatisticsWindow(StoreLocation where, const QDate &today, QWidget *parent = nullptr);

    void refresh();
    bool isReading() const;
    const Statistics::Summary &summary() const { return m_summary; }

    // The charts' pieces: the colour of the n-th slice, a distinct hue for
    // each carrier, and a bar chart over named categories whose labels are
    // never cut.
    static QColor sliceColour(int index);
    static QChart *barChart(const QStringList &categories, const QVector<QPair<QString, QVector<double>>> &sets);

    QCheckBox *dateRangeCheckBox = nullptr; // 按日期范围
    QDateEdit *fromDateEdit = nullptr;
    QDateEdit *toDateEdit = nullptr;
    QPushButton *refreshButton = nullptr;
    QLabel *stateLabel = nullptr;
    QTabWidget *chartTabs = nullptr;
    // One table per tab: status, carrier, month, days in transit.
    QTableWidget *summaryGrids[4] = {};

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showSummary(const Statistics::Summary &summary);
    QWidget *page(int index, const QString &caption);

    StoreLocation m_where;
    BackgroundTask *m_task = nullptr;
    Statistics::Summary m_summary;
    QVBoxLayout *m_chartSlots[4] = {};
};
