#include "app/Startup.h"
#include "core/ProgramName.h"

#include "app/Provisioning.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "core/SingleInstance.h"
#include "store/WaybillStore.h"

#include <QDir>

#include <cstdio>

namespace Startup {

Result prepare(const QString &dataFolder, Dialogs &dialogs, const QString &programFolder)
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
            if (const Provisioning::Report report = Provisioning::run(dataFolder); !report.outcome) {
                error = report.outcome.error;
            } else {
                WaybillStore store;
                if (Outcome opened = store.open(QDir(dataFolder).filePath(WaybillStore::fileName())); !opened)
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
