#include "app/Startup.h"
#include "core/ProgramName.h"

#include "app/Provisioning.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "store/WaybillStore.h"

#include <QDir>

#include <cstdio>

namespace Startup {

Result prepare(const QString &dataFolder, Dialogs &dialogs, const QString &programFolder)
{
    Endpoints::setCurrent(Endpoints::load({dataFolder, programFolder.isEmpty() ? dataFolder : programFolder}));

    QString error;
    if (!QDir().mkpath(dataFolder)) {
        error =
            QStringLiteral("无法创建数据文件夹 %1：没有写入权限或磁盘已满。").arg(QDir::toNativeSeparators(dataFolder));
    } else if (const Provisioning::Report report = Provisioning::run(dataFolder); !report.outcome) {
        error = report.outcome.error;
    } else {
        WaybillStore store;
        if (Outcome opened = store.open(QDir(dataFolder).filePath(WaybillStore::fileName())); !opened)
            error = opened.error;
    }
    if (error.isEmpty())
        return {};

    const QString text = QStringLiteral("Tolvane 无法启动：\n%1").arg(error);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    dialogs.critical(nullptr, Program::kTitle, text);
    return {1, error};
}

} // namespace Startup
