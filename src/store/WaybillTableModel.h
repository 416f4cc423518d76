#pragma once

#include "store/RegisterGrid.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QVector>

#include <functional>

// The rows that the management grid shows: the eleven columns of the register
// in table order, headed by their names, then the newest check of each waybill
// from its history: when, what happened, and the state it read. It holds the
// rowids of the listing and reads the rows in pages as the view asks for them.
// Read-only; every change goes through the dialogs and the store.
class WaybillTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using GridRow = RegisterGrid::GridRow;
    // Reads these rows, in this order; a row gone meanwhile is left out.
    using Reader = std::function<QVector<GridRow>(const QVector<qint64> &ids)>;
    static constexpr int kPageRows = 100;

    explicit WaybillTableModel(QObject *parent = nullptr);

    void setReader(Reader reader) { m_reader = std::move(reader); }
    // A new listing starts with its first rows; days in transit read as of `today`.
    void showFirstScreen(QVector<GridRow> rows, const QDate &today);
    // The whole listing in order. When it begins with the rows shown, they stay
    // (with the current row) and the rest is added below them, a step at a time.
    void setRowIds(QVector<qint64> ids);
    // Shows the next step of the listing's rows; false once every row is shown.
    // A view takes in a million rows at once only in tens of milliseconds.
    bool showMoreRows();
    static constexpr int kRowsPerStep = 200000;
    bool showsEveryRow() const { return m_rows >= m_ids.size(); }
    void clear();
    // The row of this rowid, or -1.
    int rowOfId(qint64 id) const;

    // After the register's own columns.
    enum ExtraColumn { LastCheck = WaybillColumns::Count, TrackingStatus, LatestState, ColumnCount };
    // Takes out the row with this number when it is read; false when none has it.
    bool removeWaybill(const QString &number);
    // An empty waybill for a row that could not be read.
    Waybill waybill(int row) const;
    // What the newest check of the row found happened; empty before any check.
    QString trackingStatus(int row) const;
    // When a query first found the row signed for, in UTC; invalid if never.
    QDateTime signedAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static QString value(const Waybill &waybill, int column);

private:
    const GridRow *rowAt(int row) const;
    void keepPage(int page, QVector<GridRow> rows) const;

    QVector<qint64> m_ids;
    int m_rows = 0; // rows of the listing shown so far
    QDate m_today;
    Reader m_reader;
    // Pages read so far, by number; dropped when too many pile up.
    mutable QHash<int, QVector<GridRow>> m_pages;
};
