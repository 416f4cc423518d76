#include "store/HistoryModel.h"

#include "store/Archive.h"

#include <QHash>

#include <algorithm>

HistoryModel::HistoryModel(QObject *parent) : QAbstractTableModel(parent) {}

void HistoryModel::setRows(QVector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    arrange();
    endResetModel();
}

void HistoryModel::sort(int column, Qt::SortOrder order)
{
    beginResetModel();
    m_sortColumn = column;
    m_sortOrder = order;
    arrange();
    endResetModel();
}

void HistoryModel::arrange()
{
    m_shown.resize(m_rows.size());
    for (int i = 0; i < m_shown.size(); ++i)
        m_shown[i] = int(m_shown.size()) - 1 - i; // the newest first
    if (m_sortColumn < 0) {
        if (m_sortOrder == Qt::AscendingOrder)
            std::reverse(m_shown.begin(), m_shown.end());
        return;
    }
    // Numbers in character order; statuses and carriers, a handful of distinct
    // texts, ranked once in the reader's collation, so that 100,000 rows sort at a click.
    QVector<QString> keys(m_rows.size());
    for (int i = 0; i < keys.size(); ++i)
        keys[i] = text(m_rows.at(i), m_sortColumn);
    QHash<QString, int> rank;
    if (m_sortColumn != 2) {
        QStringList distinct;
        for (const QString &key : keys)
            if (!rank.contains(key)) {
                rank.insert(key, 0);
                distinct << key;
            }
        std::sort(distinct.begin(), distinct.end(),
                  [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
        for (int i = 0; i < distinct.size(); ++i)
            rank[distinct.at(i)] = i;
    }
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(m_shown.begin(), m_shown.end(), [&](int a, int b) {
        const int c = rank.isEmpty() ? keys.at(a).compare(keys.at(b)) : rank.value(keys.at(a)) - rank.value(keys.at(b));
        return ascending ? c < 0 : c > 0;
    });
}

QString HistoryModel::text(const Row &r, int column) const
{
    switch (column) {
    case 0:
        return r.archived ? Archive::markedStatus(r.status) : r.status;
    case 1:
        return r.carrier;
    case 2:
        return r.number;
    case 3:
        return r.trackingStatus;
    default:
        return QString();
    }
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
    const Row &r = row(index.row());
    if (role == Qt::ToolTipRole && m_note) {
        if (const QString note = m_note(r.number); !note.isEmpty())
            return QString(text(r, index.column()) + QLatin1Char('\n') + note);
    }
    return text(r, index.column());
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[] = {"状态", "快递公司", "快递单号", "物流状态"};
    return section >= 0 && section < 4 ? QString::fromUtf8(titles[section]) : QVariant();
}
