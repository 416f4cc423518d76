#pragma once

#include <QAbstractTableModel>
#include <QVector>

// The history list: status, carrier and number of every stored waybill, in
// register order, then what its newest check found happened. A plain table so that 100,000 rows cost one reset.
class HistoryModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        QString status;
        QString carrier;
        QString number;
        bool archived = false; // shown marked as such
        QString trackingStatus; // empty before the first check
    };

    explicit HistoryModel(QObject *parent = nullptr);

    void setRows(QVector<Row> rows);
    const Row &row(int index) const { return m_rows.at(index); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<Row> m_rows;
};
