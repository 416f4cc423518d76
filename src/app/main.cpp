#include "app/MainWindow.h"
#include "app/Provisioning.h"
#include "app/Startup.h"
#include "core/Clock.h"
#include "core/ProgramName.h"
#include "core/QtDialogs.h"
#include "core/SingleInstance.h"
#include "query/WebEngineBrowser.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(Program::kTitle);
    QApplication::setApplicationVersion(QStringLiteral("3.0.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/payloads/tolvane.png")));

    // Standard buttons and context menus in Chinese too.
    QTranslator qtTranslations;
    if (qtTranslations.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);

    QtDialogs dialogs;
    DesktopLauncher launcher;
    const QString programFolder = QCoreApplication::applicationDirPath();
    const Provisioning::DataFolder data = Provisioning::chooseDataFolder(
        programFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    const Startup::Result prepared = Startup::prepare(data.path, dialogs, programFolder, data.readOnlyRegister);
    if (prepared.exitCode != 0 || prepared.alreadyRunning)
        return prepared.exitCode;

    MainWindow window(data.path, {dialogs, launcher, Clock::system()}, std::make_unique<WebEngineBrowser>());
    // A second start brings this window back, from the tray as well.
    QObject::connect(prepared.instance.get(), &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return QApplication::exec();
}
