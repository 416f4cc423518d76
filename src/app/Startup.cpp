#include "app/Startup.h"
#include "core/ProgramName.h"

#include "app/Provisioning.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "store/WaybillStore.h"

#include <QDir>

#include <cstdio>

namespace Startup {

Result prepare(const QString &programFolder, Dialogs &dialogs)
{
    Endpoints::setCurrent(Endpoints::load(programFolder));

    QString error;
    const Provisioning::Report report = Provisioning::run(programFolder);
    if (!report.outcome) {
        error = report.outcome.error;
    } else {
        WaybillStore store;
        if (Outcome opened = store.open(QDir(programFolder).filePath(WaybillStore::fileName())); !opened)
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
