#include "app/Startup.h"
#include "core/ProgramName.h"

#include "app/Provisioning.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "core/SingleInstance.h"
#include "settings/RegisterLocation.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"

#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace Startup {

namespace {

// Copies the register and the settings; a file half copied is removed.
QString copyData(const QString &from, const QString &to)
{
    for (const QString &name : {RegisterSchema::fileName(), AppSettings::kFileName}) {
        const QString source = QDir(from).filePath(name);
        const QString target = QDir(to).filePath(name);
        if (!QFileInfo::exists(source) || QFileInfo::exists(target))
            continue;
        QFile file(source);
        if (!file.copy(target)) {
            QFile::remove(target);
            return QStringLiteral("无法把 %1 复制到 %2：%3")
                .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(to), file.errorString());
        }
        // A copy of a read-only file is read-only too; the register must take changes.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    return QString();
}

} // namespace

Result prepare(const QString &dataFolder, Dialogs &dialogs, const QString &programFolder,
               const QString &readOnlyRegister)
{
    Endpoints::setCurrent(Endpoints::load({dataFolder, programFolder.isEmpty() ? dataFolder : programFolder}));

    Result result;
    QString error;
    if (!QDir().mkpath(dataFolder)) {
        error =
            QStringLiteral("无法创建数据文件夹 %1：没有写入权限或磁盘已满。").arg(QDir::toNativeSeparators(dataFolder));
    } else {
        // Before provisioning, which rewrites files that a running copy uses.
        result.instance = std::make_shared<SingleInstance>(dataFolder);
        switch (result.instance->claim()) {
        case SingleInstance::Claim::AlreadyRunning:
            result.alreadyRunning = true;
            result.instance.reset();
            return result;
        case SingleInstance::Claim::NotAnswering:
            result.instance.reset();
            error = QStringLiteral("另一个 Tolvane 正在使用数据文件夹 %1，但它没有响应。"
                                   "请关闭那个 Tolvane（或在任务管理器中结束它）后再启动。")
                        .arg(QDir::toNativeSeparators(dataFolder));
            break;
        case SingleInstance::Claim::First:
            if (!readOnlyRegister.isEmpty() &&
                !QFileInfo::exists(QDir(dataFolder).filePath(RegisterSchema::fileName())) &&
                dialogs.askYesNo(
                    nullptr, Program::kTitle,
                    QStringLiteral("程序文件夹只读，是否复制数据到 %1？").arg(QDir::toNativeSeparators(dataFolder))))
                error = copyData(readOnlyRegister, dataFolder);
            if (!error.isEmpty())
                break;
            if (const Provisioning::Report report = Provisioning::run(dataFolder); !report.outcome) {
                error = report.outcome.error;
            } else if (const StoreLocation where = RegisterLocation::read(dataFolder); !where.onServer) {
                // A server is reached by the main window on a worker: one that is down
                // leaves the program running for the queries that need no register.
                StoreConnection store;
                if (Outcome opened = store.open(where); !opened)
                    error = opened.error;
            }
            break;
        }
    }
    if (error.isEmpty())
        return result;

    const QString text = QStringLiteral("Tolvane 无法启动：\n%1").arg(error);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    dialogs.critical(nullptr, Program::kTitle, text);
    return {1, error, false, nullptr};
}

} // namespace Startup
