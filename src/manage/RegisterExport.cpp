#include "manage/RegisterExport.h"

#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "transfer/ExportWriter.h"

#include <algorithm>

namespace RegisterExport {

namespace {
constexpr int kRowsBetweenTells = 10000;
} // namespace

Result write(const StoreLocation &where, const QString &path, const std::function<void(const QString &)> &tell)
{
    const auto say = [&tell](const QString &text) {
        if (tell)
            tell(text);
    };
    Result result;
    StoreConnection store;
    result.outcome = store.open(where);
    if (!result.outcome)
        return result;
    const Waybills waybills(store);
    const int total = waybills.count();
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        // The workbook's helper takes every row at once.
        if (total > 0)
            say(QStringLiteral("正在导出：读取 %1 条…").arg(total));
        const QVector<Waybill> rows = waybills.allWaybills(&result.outcome);
        result.rows = int(rows.size());
        result.empty = result.outcome && rows.isEmpty();
        if (result.outcome && !result.empty) {
            say(QStringLiteral("正在导出：写入 %1 条…").arg(rows.size()));
            result.outcome = ExportWriter::writeWorkbook(path, rows);
        }
        return result;
    }
    ExportWriter::TextExport file(path);
    const Outcome read = waybills.eachWaybill([&](const Waybill &row) {
        if (!file.add(row))
            return false;
        if (file.rows() % kRowsBetweenTells == 0)
            say(QStringLiteral("正在导出：%1 / %2 条…").arg(file.rows()).arg(std::max(total, file.rows())));
        return true;
    });
    result.rows = file.rows();
    result.beyondGbk = file.rowsBeyondGbk();
    result.empty = read && file.rows() == 0;
    // A write that failed stopped the read, and its reason is the one to tell;
    // a read that failed leaves the old file as it was.
    if (!result.empty)
        result.outcome = read || file.failed() ? file.finish() : read;
    return result;
}

} // namespace RegisterExport
