#include "app/Form1.h"

#include "settings/AppSettings.h"

Form1::Form1(QString programFolder, Dialogs &dialogs, Launcher &launcher, QWidget *parent)
    : QMainWindow(parent), m_programFolder(std::move(programFolder)), m_dialogs(dialogs), m_launcher(launcher)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tolvane V3.0"));
    resize(684, 674);
    AppSettings::write(m_programFolder, AppSettings::kVersion, AppSettings::kProgramVersion);
}
