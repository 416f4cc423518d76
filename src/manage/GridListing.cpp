#include "manage/GridListing.h"

#include "store/StoreConnection.h"
#include "store/WaybillTableModel.h"

#include <QTimer>

#include <utility>

GridListing::GridListing(StoreConnection &store, QObject *parent) : QObject(parent), m_store(store)
{
    m_loader = new WaybillLoader(StoreLocation(), this); // pointed at the register by setLocation()
    m_model = new WaybillTableModel(this);
    // Rows beyond those the loader brought are read as the view reaches them.
    m_model->setReader([this](const QVector<qint64> &ids) {
        return m_store.isOpen() ? RegisterGrid(m_store).gridRowsById(ids, m_shown) : QVector<RegisterGrid::GridRow>();
    });
    connect(m_loader, &WaybillLoader::firstScreenRead, this, &GridListing::showFirstScreen);
    connect(m_loader, &WaybillLoader::listed, this, &GridListing::showListed);
    connect(m_loader, &WaybillLoader::counted, this, [this](const WaybillLoader::Result &result) {
        if (m_applying)
            Q_EMIT counted(result.counts);
    });
    connect(m_loader, &WaybillLoader::delivered, this, &GridListing::readFinished);
    connect(m_loader, &WaybillLoader::readingChanged, this, &GridListing::readingChanged);
}

void GridListing::setLocation(const StoreLocation &where)
{
    m_loader->setLocation(where);
}

bool GridListing::isReading() const
{
    return m_loader->isReading() || m_growing;
}

bool GridListing::isFetching() const
{
    return m_loader->isReading();
}

std::optional<Waybill> GridListing::waybill(int row) const
{
    return row >= 0 && row < m_model->rowCount() ? std::optional<Waybill>(m_model->waybill(row)) : std::nullopt;
}

void GridListing::ask(const RegisterGrid::GridFilter &filter, bool updateDays, bool emptyClears)
{
    // Only the newest request is ever delivered, so this flag belongs to it.
    m_emptyClears = emptyClears;
    m_filter = filter;
    m_listing = true;
    m_growing = false;
    ++m_reads;
    m_loader->read({filter, updateDays});
}

void GridListing::askAgainAfterChange(const QString &chosen, int scroll)
{
    if (!chosen.isEmpty() && m_wanted.isEmpty())
        m_wanted = chosen;
    if (m_keepScroll < 0)
        m_keepScroll = scroll;
    ask(m_filter, false, true);
}

void GridListing::clear()
{
    m_loader->cancel();
    m_model->clear();
    ++m_reads;
    m_growing = false;
    m_listing = false;
    m_applying = false;
}

void GridListing::showFirstScreen(const WaybillLoader::Result &result)
{
    m_applying = false;
    if (!result.read) {
        m_listing = false;
        // A search that fails leaves the grid as it is, without a message.
        if (result.request.filter.column.isEmpty())
            Q_EMIT failed(result.read.error);
        Q_EMIT rowsShown();
        return;
    }
    Q_EMIT answered(result);
    // No match, or an empty register on a refresh, leaves the grid as it is.
    if (!result.found) {
        m_listing = false;
        if (m_emptyClears) {
            m_model->clear();
            Q_EMIT counted({});
        }
        Q_EMIT rowsShown();
        return;
    }
    m_applying = true;
    m_shown = result.request.filter;
    m_model->showFirstScreen(result.firstScreen, m_shown.today);
    Q_EMIT firstScreenShown(result.firstScreen, m_shown.today);
    Q_EMIT rowsShown();
}

void GridListing::showListed(const WaybillLoader::Result &result)
{
    if (!m_applying)
        return;
    m_model->setRowIds(result.ids);
    m_growing = true;
    showMoreRows(m_reads);
}

void GridListing::showMoreRows(int read)
{
    if (read != m_reads || !m_growing)
        return;
    if (!m_model->showsEveryRow()) {
        QTimer::singleShot(0, this, [this, read] {
            if (read == m_reads)
                m_model->showMoreRows();
            showMoreRows(read);
        });
        return;
    }
    m_growing = false;
    m_listing = false;
    const int keepScroll = std::exchange(m_keepScroll, -1);
    findWanted();
    if (keepScroll >= 0) {
        m_wanted.clear(); // the chosen row left the listing: nothing is chosen later in its place
        Q_EMIT scrollBack(keepScroll);
    }
}

void GridListing::readFinished(const WaybillLoader::Result &result)
{
    if (!m_growing)
        m_listing = false;
    if (!result.stored)
        Q_EMIT failed(result.stored.error);
}

void GridListing::want(const QString &number)
{
    m_wanted = number;
    if (!m_listing)
        findWanted();
}

bool GridListing::findWanted()
{
    if (m_wanted.isEmpty() || m_listing || !m_store.isOpen())
        return false;
    // Its place in the listing, wherever that is: the rows read so far need not hold it.
    const std::optional<qint64> id = RegisterGrid(m_store).rowIdOf(m_wanted);
    const int row = id ? m_model->rowOfId(*id) : -1;
    if (row < 0)
        return false;
    m_wanted.clear();
    Q_EMIT rowFound(row);
    return true;
}
