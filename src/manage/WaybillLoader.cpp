#include "manage/WaybillLoader.h"

#include "core/BackgroundTask.h"
#include "store/DaysInTransit.h"
#include "store/StoreConnection.h"

#include <QHash>
#include <QPointer>

namespace {
// Rows whose days are worked out per batch, each batch stored in its own
// transaction: short enough that the window's own reads never wait long.
constexpr int kDaysBatch = 2000;

// What a first screen that shows nothing still found: rows under another tab
// count as found; a search's archived rows are counted.
void lookBeyondTheFirstScreen(const RegisterGrid &grid, StoreEngine engine, WaybillLoader::Result &result)
{
    const RegisterGrid::GridFilter &filter = result.request.filter;
    result.found = !result.firstScreen.isEmpty();
    if (!result.found && (filter.status || filter.signedToday)) {
        if (const auto all = RegisterGrid::gridCondition(filter, false, nullptr, engine))
            result.found = grid.countWhere(*all, 1) > 0;
    }
    if (!result.found && !filter.column.isEmpty() && !filter.showArchived) {
        RegisterGrid::GridFilter archived = filter;
        archived.showArchived = true;
        if (auto all = RegisterGrid::gridCondition(archived, false, nullptr, engine)) {
            const SqlCondition rule = RegisterGrid::archivedExpression(filter.today, filter.archiveDays);
            all->sql += QStringLiteral(" AND ") + rule.sql;
            all->binds += rule.binds;
            result.archivedHidden = grid.countWhere(*all);
        }
    }
}

// The days in transit of the filter's rows as of its today, stored batch by batch where they changed.
void storeDays(RegisterGrid &grid, const RegisterGrid::GridFilter &filter, const std::function<bool()> &wanted,
               WaybillLoader::Result &result)
{
    // Many waybills share a dispatch date; each distinct text is read once.
    QHash<QString, std::optional<QString>> daysOfTime;
    qint64 after = 0;
    for (;;) {
        Outcome batchRead;
        const auto batch = grid.gridDays(filter, after, kDaysBatch, &batchRead);
        // A stale read stores nothing more: the request that replaced it does the same work.
        if (!batchRead || batch.isEmpty() || !wanted())
            break;
        QVector<DaysUpdate> changed;
        for (const auto &[id, row] : batch) {
            after = id;
            if (row.time.isEmpty())
                continue;
            auto known = daysOfTime.constFind(row.time);
            if (known == daysOfTime.constEnd())
                known = daysOfTime.insert(row.time, DaysInTransit::fromTimeText(row.time, filter.today));
            if (*known && **known != row.days)
                changed.push_back({row.number, row.time, **known});
        }
        if (!changed.isEmpty())
            result.stored = grid.storeDaysInTransit(changed);
        if (!result.stored || batch.size() < kDaysBatch)
            break;
    }
}

} // namespace

WaybillLoader::WaybillLoader(StoreLocation where, QObject *parent)
    : QObject(parent), m_where(std::move(where)), m_task(new BackgroundTask(this))
{
    connect(m_task, &BackgroundTask::busyChanged, this, &WaybillLoader::readingChanged);
}

WaybillLoader::~WaybillLoader()
{
    // Its worker may still post steps to this object: it ends first.
    delete m_task;
}

WaybillLoader::Result WaybillLoader::read(const StoreLocation &where, const Request &request,
                                          const std::function<bool()> &keepGoing,
                                          const std::function<void(const Result &, Step)> &step)
{
    const std::function<bool()> wanted = [&keepGoing] { return !keepGoing || keepGoing(); };
    Result result;
    result.request = request;
    StoreConnection store;
    RegisterGrid grid(store);
    const auto failed = [&] {
        if (step)
            step(result, Step::FirstScreen);
        return result;
    };
    result.read = store.open(where);
    if (!result.read)
        return failed();
    const RegisterGrid::GridFilter &filter = request.filter;
    result.firstScreen = grid.gridRows(filter, kFirstScreenRows, &result.read);
    if (!result.read)
        return failed();
    lookBeyondTheFirstScreen(grid, store.engine(), result);
    if (step)
        step(result, Step::FirstScreen);
    if (!result.found || !wanted())
        return result;

    Outcome listing;
    QVector<qint64> ids = grid.gridRowIds(filter, &listing, keepGoing);
    if (!listing || !wanted())
        return result;
    result.ids = std::move(ids);
    result.listed = true;
    if (step)
        step(result, Step::Listed);

    Outcome counting;
    result.counts = grid.gridCounts(filter, &counting);
    if (!counting || !wanted())
        return result;
    result.counted = true;
    if (step)
        step(result, Step::Counted);

    if (request.updateDays)
        storeDays(grid, filter, wanted, result);
    return result;
}

void WaybillLoader::cancel()
{
    ++m_asked;
    m_task->cancel();
}

bool WaybillLoader::isReading() const
{
    return m_task->isBusy();
}

void WaybillLoader::read(Request request)
{
    const StoreLocation path = m_where;
    const int asked = ++m_asked;
    QPointer<WaybillLoader> self(this);
    // Steps go to the window as they are done; one that a newer request overtook is dropped there.
    const auto step = [self, asked](const Result &result, Step which) {
        QMetaObject::invokeMethod(
            self,
            [self, asked, result, which] {
                if (!self || self->m_asked != asked)
                    return;
                if (which == Step::FirstScreen)
                    Q_EMIT self->firstScreenRead(result);
                else if (which == Step::Listed)
                    Q_EMIT self->listed(result);
                else
                    Q_EMIT self->counted(result);
            },
            Qt::QueuedConnection);
    };
    m_task->run<Result>(
        [path, request = std::move(request), step](const BackgroundTask::KeepGoing &keepGoing) {
            return read(path, request, keepGoing, step);
        },
        [self](const Result &result) {
            if (self)
                Q_EMIT self->delivered(result);
        });
}
