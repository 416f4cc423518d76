#pragma once

#include "manage/WaybillLoader.h"
#include "store/RegisterGrid.h"
#include "store/Waybill.h"

#include <QObject>

#include <optional>

class StoreConnection;
class WaybillTableModel;

// The rows the management grid lists, without the grid: the newest read
// asked for goes into the model step by step as its parts arrive (the first
// screen at once, then the listing a step per pass of the event loop), and
// a row asked for is chosen once the listing holds it. Steps of an older
// read never reach the model.
class GridListing final : public QObject {
    Q_OBJECT
public:
    explicit GridListing(StoreConnection &store, QObject *parent = nullptr);

    WaybillTableModel *model() const { return m_model; }
    // Reads from now on go there.
    void setLocation(const StoreLocation &where);

    // With `emptyClears` a read that finds nothing empties the listing; otherwise it stays.
    void ask(const RegisterGrid::GridFilter &filter, bool updateDays, bool emptyClears);
    // The newest filter asked for.
    const RegisterGrid::GridFilter &asked() const { return m_filter; }
    // The newest filter again after a change elsewhere, choosing `chosen`
    // again and going back to `scroll` once listed.
    void askAgainAfterChange(const QString &chosen, int scroll);
    // Chooses the row of this number, now or once the listing holds it.
    void want(const QString &number);
    // Drops the rows and any read on its way.
    void clear();

    // Rows are being read, or are still going into the model.
    bool isReading() const;
    // Rows are being read.
    bool isFetching() const;
    std::optional<Waybill> waybill(int row) const;

Q_SIGNALS:
    // The newest read's first screen is in the model; the grid sizes its columns to it.
    void firstScreenShown(const QVector<RegisterGrid::GridRow> &rows, const QDate &today);
    // What the newest read found is shown: its first screen, or, when it
    // found nothing to show, the rows there were.
    void rowsShown();
    // The newest read's first screen, which says what a search found.
    void answered(const WaybillLoader::Result &result);
    void counted(const RegisterGrid::GridCounts &counts);
    void failed(const QString &error);
    void readingChanged(bool reading);
    // The wanted row, now in the listing.
    void rowFound(int row);
    // Where the grid was before a change elsewhere.
    void scrollBack(int value);

private:
    void showFirstScreen(const WaybillLoader::Result &result);
    void showListed(const WaybillLoader::Result &result);
    void showMoreRows(int read);
    void readFinished(const WaybillLoader::Result &result);
    bool findWanted();

    StoreConnection &m_store;
    WaybillTableModel *m_model = nullptr;
    WaybillLoader *m_loader = nullptr;
    RegisterGrid::GridFilter m_filter; // the newest asked for
    RegisterGrid::GridFilter m_shown;  // what the model lists
    bool m_listing = false;            // the newest read has not yet listed its rows
    bool m_growing = false;            // its rows are still going into the model
    int m_reads = 0;                   // reads asked for, so that a step of an older one stops
    bool m_applying = false;           // the newest read's steps go to the model
    bool m_emptyClears = false;
    QString m_wanted;      // the number want() asked for
    int m_keepScroll = -1; // where the grid was before it followed a change
};
