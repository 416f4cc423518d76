#include "manage/SearchAnswer.h"

namespace {
bool isSearch(const WaybillLoader::Result &result)
{
    return !result.request.filter.column.isEmpty();
}
bool archivedOnly(const WaybillLoader::Result &result)
{
    return !result.found && result.archivedHidden > 0;
}
} // namespace

QString SearchAnswer::text(const WaybillLoader::Result &result)
{
    if (!isSearch(result) || result.found || result.request.filter.key.isEmpty())
        return QString();
    return archivedOnly(result) ? QStringLiteral("找到 %1 条已归档的快递单").arg(result.archivedHidden)
                                : QStringLiteral("没有找到“%1”").arg(result.request.filter.key);
}

bool SearchAnswer::offersArchived(const WaybillLoader::Result &result)
{
    return isSearch(result) && archivedOnly(result);
}
