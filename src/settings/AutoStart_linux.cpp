#include "core/SaveWhole.h"
#include "settings/AutoStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kEntryName = QStringLiteral("tolvane.desktop");

// A value of type string in a desktop entry: backslash and the control
// characters are escaped so that the value stays on its line.
QString escapeString(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

// One argument of Exec: always in double quotes, so that blanks and the
// reserved characters need no thought; inside the quotes ", `, $ and \ take a
// backslash. A % is a field code and is doubled. The result is then escaped
// once more as a string value.
QString execArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return escapeString(quoted);
}

QString entryText(const QString &executablePath)
{
    const QFileInfo program(executablePath);
    const QString absolute = program.absoluteFilePath();
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Tolvane\n"
                          "Comment=快递单号查询与管理\n"
                          "Exec=%1\n"
                          "Path=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(absolute), escapeString(program.absolutePath()));
}

} // namespace

AutoStart::AutoStart(QString autostartFolder) : m_folder(std::move(autostartFolder)) {}

QString AutoStart::DefaultFolder()
{
    // XDG_CONFIG_HOME when set and absolute, ~/.config otherwise.
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = !configHome.isEmpty() && QDir::isAbsolutePath(configHome)
                             ? configHome
                             : QDir::home().filePath(QStringLiteral(".config"));
    return QDir(base).filePath(QStringLiteral("autostart"));
}

Outcome AutoStart::StartWithWindows(bool enable, const QString &executablePath)
{
    const QString entry = QDir(m_folder).filePath(kEntryName);
    if (!enable) {
        if (!QFileInfo::exists(entry) || QFile::remove(entry))
            return Outcome::success();
        return Outcome::failure(QStringLiteral("无法删除自动启动项 %1。").arg(entry));
    }
    if (executablePath.isEmpty())
        return Outcome::failure(QStringLiteral("不知道程序的位置，无法设置自动启动。"));
    if (!QDir().mkpath(m_folder))
        return Outcome::failure(QStringLiteral("无法创建文件夹 %1，自动启动未设置。").arg(m_folder));
    QString reason;
    if (!SaveWhole(entry, entryText(executablePath).toUtf8(), &reason))
        return Outcome::failure(QStringLiteral("无法写入自动启动项 %1：%2").arg(entry, reason));
    return Outcome::success();
}

bool AutoStart::IsEnabled() const
{
    return QFileInfo::exists(QDir(m_folder).filePath(kEntryName));
}
