#include "store/HistoryModel.h"

#include "store/Archive.h"

HistoryModel::HistoryModel(QObject *parent) : QAbstractTableModel(parent) {}

void HistoryModel::setRows(QVector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)
        return {};
    const Row &r = m_rows.at(index.row());
    switch (index.column()) {
    case 0: return r.archived ? Archive::markedStatus(r.status) : r.status;
    case 1: return r.carrier;
    case 2: return r.number;
    case 3: return r.trackingStatus;
    default: return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[] = {"状态", "快递公司", "快递单号", "物流状态"};
    return section >= 0 && section < 4 ? QString::fromUtf8(titles[section]) : QVariant();
}
