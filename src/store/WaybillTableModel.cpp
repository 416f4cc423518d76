#include "store/WaybillTableModel.h"

#include "store/Archive.h"
#include "store/DaysInTransit.h"

namespace {
// Enough pages for many screens of scrolling back and forth, little memory.
constexpr int kPagesKept = 64;
} // namespace

WaybillTableModel::WaybillTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void WaybillTableModel::keepPage(int page, QVector<GridRow> rows) const
{
    // The days shown are today's; storing them is the loader's, in the background.
    for (GridRow &row : rows)
        if (const std::optional<QString> days = DaysInTransit::fromTimeText(row.waybill.time, m_today))
            row.waybill.daysInTransit = *days;
    if (m_pages.size() >= kPagesKept)
        m_pages.clear();
    m_pages.emplace(page, std::move(rows));
}

void WaybillTableModel::showFirstScreen(QVector<GridRow> rows, const QDate &today)
{
    beginResetModel();
    m_today = today;
    m_pages.clear();
    m_ids.clear();
    for (const GridRow &row : std::as_const(rows))
        m_ids.push_back(row.id);
    m_rows = int(m_ids.size());
    keepPage(0, std::move(rows));
    endResetModel();
}

void WaybillTableModel::setRowIds(QVector<qint64> ids)
{
    const bool sameStart = ids.size() >= m_rows && std::equal(m_ids.cbegin(), m_ids.cbegin() + m_rows, ids.cbegin());
    if (!sameStart) {
        beginResetModel();
        m_pages.clear();
        m_rows = 0;
        m_ids = std::move(ids);
        endResetModel();
    } else {
        m_ids = std::move(ids);
    }
    showMoreRows();
}

bool WaybillTableModel::showMoreRows()
{
    if (m_rows >= m_ids.size())
        return false;
    const int to = int(std::min<qsizetype>(m_ids.size(), qsizetype(m_rows) + kRowsPerStep));
    beginInsertRows(QModelIndex(), m_rows, to - 1);
    m_rows = to;
    endInsertRows();
    return m_rows < m_ids.size();
}

void WaybillTableModel::clear()
{
    beginResetModel();
    m_ids = {};
    m_rows = 0;
    m_pages.clear();
    endResetModel();
}

int WaybillTableModel::rowOfId(qint64 id) const
{
    const qsizetype row = m_ids.indexOf(id);
    return row < m_rows ? int(row) : -1;
}

const WaybillTableModel::GridRow *WaybillTableModel::rowAt(int row) const
{
    if (row < 0 || row >= m_rows)
        return nullptr;
    const int page = row / kPageRows;
    const int offset = row % kPageRows;
    auto found = m_pages.constFind(page);
    // A page read before the listing grew may lack the row, or hold another.
    if (found == m_pages.cend() || offset >= found->size() || found->at(offset).id != m_ids.at(row)) {
        if (!m_reader)
            return nullptr;
        const QVector<qint64> ids = m_ids.mid(qsizetype(page) * kPageRows, kPageRows);
        QVector<GridRow> read = m_reader(ids);
        // Rows deleted meanwhile are missing from what was read; each keeps its place.
        if (read.size() != ids.size()) {
            QHash<qint64, GridRow> byId;
            for (GridRow &r : read)
                byId.emplace(r.id, std::move(r));
            read.clear();
            for (const qint64 id : ids) {
                GridRow r = byId.value(id);
                r.id = id;
                read.push_back(std::move(r));
            }
        }
        keepPage(page, std::move(read));
        found = m_pages.constFind(page);
    }
    return offset < found->size() ? &found->at(offset) : nullptr;
}

bool WaybillTableModel::removeWaybill(const QString &number)
{
    for (auto page = m_pages.cbegin(); page != m_pages.cend(); ++page) {
        for (int offset = 0; offset < page->size(); ++offset) {
            if (page->at(offset).waybill.number != number)
                continue;
            const int row = rowOfId(page->at(offset).id);
            if (row < 0)
                return false;
            beginRemoveRows(QModelIndex(), row, row);
            m_ids.remove(row);
            --m_rows;
            m_pages.clear(); // every later page moved up a row
            endRemoveRows();
            return true;
        }
    }
    return false;
}

Waybill WaybillTableModel::waybill(int row) const
{
    const GridRow *r = rowAt(row);
    return r ? r->waybill : Waybill();
}

QString WaybillTableModel::trackingStatus(int row) const
{
    const GridRow *r = rowAt(row);
    return r ? r->check.status : QString();
}

QDateTime WaybillTableModel::signedAt(int row) const
{
    const GridRow *r = rowAt(row);
    return r ? r->check.signedAt : QDateTime();
}

int WaybillTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
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
    if (!index.isValid() || index.column() >= ColumnCount)
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const GridRow *r = rowAt(index.row());
    if (!r)
        return QVariant();
    const Waybill &w = r->waybill;
    if (index.column() == WaybillColumns::Status && r->archived)
        return Archive::markedStatus(w.status);
    if (index.column() < WaybillColumns::Count)
        return value(w, index.column());
    if (index.column() == TrackingStatus)
        return r->check.status;
    return index.column() == LastCheck ? ShortLocalTime(r->check.lastCheck) : r->check.state;
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
