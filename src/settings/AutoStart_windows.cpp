#include "settings/AutoStart.h"

#include <QDir>
#include <QSettings>

namespace {
const QString kValueName = QStringLiteral("Tolvane");
} // namespace

AutoStart::AutoStart(QString autostartFolder) : m_folder(std::move(autostartFolder)) {}

QString AutoStart::DefaultFolder()
{
    // The current user's Run key: the machine-wide one needs administrator
    // rights and would fail silently for everybody else.
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
}

Outcome AutoStart::StartWithWindows(bool enable, const QString &executablePath)
{
    QSettings run(m_folder, QSettings::NativeFormat);
    if (enable) {
        if (executablePath.isEmpty())
            return Outcome::failure(QStringLiteral("不知道程序的位置，无法设置自动启动。"));
        // Quoted, so that a folder with blanks cannot be read as another program.
        run.setValue(kValueName, QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(executablePath)));
    } else {
        run.remove(kValueName);
    }
    run.sync();
    if (run.status() != QSettings::NoError)
        return Outcome::failure(QStringLiteral("无法写入注册表项 %1，自动启动未能更改。").arg(m_folder));
    return Outcome::success();
}

bool AutoStart::IsEnabled() const
{
    QSettings run(m_folder, QSettings::NativeFormat);
    return run.contains(kValueName);
}
