#include "store/WaybillTableModel.h"

#include "store/Archive.h"

WaybillTableModel::WaybillTableModel(QObject *parent) : QAbstractTableModel(parent) {}

QVector<Waybill> WaybillTableModel::setRows(QVector<Waybill> rows, CheckSummaries checks, QSet<QString> archived)
{
    beginResetModel();
    m_rows.swap(rows);
    m_checks = std::move(checks);
    m_archived = std::move(archived);
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
    return parent.isValid() ? 0 : int(ColumnCount);
}

QString WaybillTableModel::value(const Waybill &w, int column)
{
    return column >= 0 && column < WaybillColumns::Count ? WaybillColumns::value(w, column) : QString();
}

QVariant WaybillTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= ColumnCount)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const Waybill &w = m_rows.at(index.row());
    if (index.column() == WaybillColumns::Status && m_archived.contains(w.number))
        return Archive::markedStatus(w.status);
    if (index.column() < WaybillColumns::Count)
        return value(w, index.column());
    const auto check = m_checks.constFind(w.number);
    if (check == m_checks.cend())
        return QString();
    if (index.column() == TrackingStatus)
        return check->status;
    return index.column() == LastCheck ? ShortLocalTime(check->lastCheck) : check->state;
}

QVariant WaybillTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < WaybillColumns::Count)
        return WaybillColumns::name(section);
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == TrackingStatus)
        return QStringLiteral("物流状态");
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && (section == LastCheck || section == LatestState))
        return section == LastCheck ? QStringLiteral("最后查询") : QStringLiteral("最新状态");
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WaybillTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
