#include "manage/OpenRegister.h"

#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "settings/RegisterLocation.h"
#include "store/StoreConnection.h"

#include <QDir>

bool OpenRegister(StoreConnection &store, const QString &programFolder, Dialogs &dialogs, QWidget *parent)
{
    if (store.isOpen())
        return true;
    const Outcome opened = store.open(RegisterLocation::read(programFolder));
    if (!opened)
        dialogs.critical(parent, Program::kTitle, opened.error);
    return bool(opened);
}
