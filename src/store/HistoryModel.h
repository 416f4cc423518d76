#pragma once

#include <QAbstractTableModel>
#include <QVector>

#include <functional>

// The history list: status, carrier and number of every stored waybill, then
// what its newest check found happened; the newest first until a column is
// chosen to sort by. A plain table so that 100,000 rows cost one reset.
class HistoryModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        QString status;
        QString carrier;
        QString number;
        bool archived = false;  // shown marked as such
        QString trackingStatus; // empty before the first check
    };

    explicit HistoryModel(QObject *parent = nullptr);

    void setRows(QVector<Row> rows);
    // A line added to a row's tooltip, asked when the tooltip shows (why the
    // background refresh left the waybill alone); empty adds nothing.
    void setNoteFor(std::function<QString(const QString &number)> note) { m_note = std::move(note); }
    // The row shown at `index`, in the order shown.
    const Row &row(int index) const { return m_rows.at(m_shown.at(index)); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Column -1 is the register's order, the newest first when descending;
    // rows equal in a column keep that order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void arrange();
    QString text(const Row &row, int column) const;

    std::function<QString(const QString &)> m_note;
    QVector<Row> m_rows; // register order
    QVector<int> m_shown;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};
