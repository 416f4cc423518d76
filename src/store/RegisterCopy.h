#pragma once

#include "core/Outcome.h"
#include "store/StoreDialect.h"

#include <QString>

#include <functional>

class QSqlDatabase;
class StoreConnection;

// What a copy wrote.
struct CopyCounts {
    qint64 waybills = 0;
    qint64 checks = 0;
};

// A whole register moved between the engines: kd.db to an empty database on a
// PostgreSQL server, or the server's register to a new kd.db. 快递单 keeps its
// rows' order, 查询记录 and 超时提醒 (where present) come along. All or
// nothing: the server's side is one transaction, the file is built under
// another name and only renamed into place once complete.
class RegisterCopy final {
public:
    // Called every thousand rows and at the end; false cancels the copy.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    static CopyCounts copy(const StoreLocation &from, const StoreLocation &to, Outcome *outcome,
                           const Progress &progress = {});
    // 已复制 N 条快递单、M 条查询记录
    static QString doneText(const CopyCounts &counts);

private:
    static CopyCounts toServer(const QString &file, const ServerLocation &server, Outcome *outcome,
                               const Progress &progress);
    static CopyCounts toFile(const ServerLocation &server, const QString &file, Outcome *outcome,
                             const Progress &progress);
    // toFile's rows: the server's register into the new file's store.
    static CopyCounts intoFile(const StoreConnection &source, const StoreConnection &target, const QString &file,
                               const Progress &progress, Outcome &result);
};
