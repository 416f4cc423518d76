#pragma once

#include "store/StateHistory.h"
#include "store/Waybill.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QVector>

// The rows that the management grid shows: the eleven columns of the register
// in table order, headed by their names, then the newest check of each waybill
// from its history: when, what happened, and the state it read. Read-only; every change goes through
// the dialogs and the store.
class WaybillTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WaybillTableModel(QObject *parent = nullptr);

    // Returns the rows shown before, for the caller to release where it suits.
    // Rows whose number is in `archived` read as archived in their status.
    QVector<Waybill> setRows(QVector<Waybill> rows, CheckSummaries checks = {}, QSet<QString> archived = {});
    // After the register's own columns.
    enum ExtraColumn { LastCheck = WaybillColumns::Count, TrackingStatus, LatestState, ColumnCount };
    // Takes out the first row with this number; false when none has it.
    bool removeWaybill(const QString &number);
    const QVector<Waybill> &rows() const { return m_rows; }
    const Waybill &waybill(int row) const { return m_rows.at(row); }
    // What the newest check of the row found happened; empty before any check.
    QString trackingStatus(int row) const { return m_checks.value(m_rows.at(row).number).status; }
    // When a query first found the row signed for, in UTC; invalid if never.
    QDateTime signedAt(int row) const { return m_checks.value(m_rows.at(row).number).signedAt; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static QString value(const Waybill &waybill, int column);

private:
    QVector<Waybill> m_rows;
    CheckSummaries m_checks;
    QSet<QString> m_archived;
};
