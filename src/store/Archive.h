#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Signed-for waybills drop out of the lists after a while; nothing is deleted.
namespace Archive {

constexpr int kDefaultDays = 30;
constexpr int kMaxDays = 3650;

// A waybill is archived when it is signed for and was signed more than `days`
// days before today: counted from the first query that found it signed, or,
// for one signed before the history was kept, from its dispatch date.
bool isArchived(const QString &status, const QString &time, const QDateTime &signedAt, const QDate &today, int days);

// How an archived row's status reads in the lists.
QString markedStatus(const QString &status);

} // namespace Archive
