#include "store/WaybillTableModel.h"

WaybillTableModel::WaybillTableModel(QObject *parent) : QAbstractTableModel(parent) {}

QVector<Waybill> WaybillTableModel::setRows(QVector<Waybill> rows)
{
    beginResetModel();
    m_rows.swap(rows);
    endResetModel();
    return rows;
}

bool WaybillTableModel::removeWaybill(const QString &number)
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).number == number) {
            beginRemoveRows(QModelIndex(), row, row);
            m_rows.remove(row);
            endRemoveRows();
            return true;
        }
    }
    return false;
}

int WaybillTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WaybillTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(WaybillColumns::Count);
}

QString WaybillTableModel::value(const Waybill &w, int column)
{
    return column >= 0 && column < WaybillColumns::Count ? WaybillColumns::value(w, column) : QString();
}

QVariant WaybillTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= WaybillColumns::Count)
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return value(m_rows.at(index.row()), index.column());
    return QVariant();
}

QVariant WaybillTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < WaybillColumns::Count)
        return WaybillColumns::name(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WaybillTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
