#include "app/Provisioning.h"

#include "core/Endpoints.h"
#include "core/GbkText.h"
#include "core/SaveWhole.h"
#include "settings/AppSettings.h"
#include "settings/Skins.h"
#include "store/WaybillStore.h"
#include "transfer/ImportTemplate.h"
#include "update/UpdateCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace Provisioning {

namespace {

QByteArray payload(const QString &resource)
{
    QFile file(resource);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// A save that was killed before its rename leaves its partial file behind,
// under a name that only SaveWhole makes. Older versions saved through
// QSaveFile, under the name and six random letters or digits; of those, a
// suffix that is a plain lower-case word ("backup") may be the user's own
// copy and stays.
void removeInterruptedSaves(const QDir &folder, const QStringList &names)
{
    static const QRegularExpression suffix(QStringLiteral("^\\.(?![a-z]{6}$)[A-Za-z0-9]{6}$"));
    const QStringList hidden = folder.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        for (const QString &partial : hidden) {
            if (SaveWholeNames::isPartialOf(partial, name))
                QFile::remove(folder.filePath(partial));
        }
        const QStringList found = folder.entryList({name + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden);
        for (const QString &leftover : found) {
            if (suffix.match(leftover.mid(name.size())).hasMatch())
                QFile::remove(folder.filePath(leftover));
        }
    }
}

} // namespace

QString configFolderName()
{
    return QStringLiteral("config");
}

QString helpFileName()
{
    return QStringLiteral("help.txt");
}

QStringList skinRelativePaths()
{
    QStringList out;
    for (const Skin &skin : Skins::all())
        out << skin.relativePath;
    return out;
}

QByteArray helpTextBytes()
{
    QString text = QString::fromUtf8(payload(QStringLiteral(":/payloads/help.txt")));
    text.replace(QStringLiteral("{SITE}"), Endpoints::current().makerSite);
    text.replace(QStringLiteral("{DOWNLOAD}"),
                 Endpoints::current().updateServer + QStringLiteral("/update/tolvane.zip"));
    text.replace(QStringLiteral("{CONTACT}"), Maker::kContact);
    text.replace(QStringLiteral("{EMAIL}"), Maker::kEmail);
    return GbkText::encode(GbkText::withCrLf(text));
}

QString installedEntryRelativePath()
{
    return QStringLiteral("../share/applications/tolvane.desktop");
}

bool canWrite(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tolvane-probe-XXXXXX")));
    return probe.open();
}

DataFolder chooseDataFolder(const QString &programFolder, const QString &userDataFolder, const WritableProbe &writable)
{
    const QDir folder(programFolder);
    const DataFolder beside{programFolder, true, {}};
    if (QFileInfo::exists(folder.filePath(WaybillStore::fileName())) ||
        QFileInfo::exists(folder.filePath(AppSettings::kFileName))) {
        // The register cannot even be opened where SQLite cannot write its journal.
        if (writable(programFolder))
            return beside;
        return {userDataFolder, false, programFolder};
    }
    if (QFileInfo::exists(folder.filePath(installedEntryRelativePath())))
        return {userDataFolder, false, {}};
    if (writable(programFolder))
        return beside;
    return {userDataFolder, false, {}};
}

Report run(const QString &programFolder)
{
    Report report;
    const QDir folder(programFolder);
    auto fail = [&report](const Outcome &outcome) {
        report.outcome = outcome;
        return report;
    };

    if (!folder.exists())
        return fail(
            Outcome::failure(QStringLiteral("程序文件夹 %1 不存在。").arg(QDir::toNativeSeparators(programFolder))));

    removeInterruptedSaves(folder, {AppSettings::kFileName, helpFileName(), UpdateCheck::descriptorFileName()});

    const QString database = folder.filePath(WaybillStore::fileName());
    if (Outcome created = WaybillStore::createIfMissing(database, &report.createdDatabase); !created)
        return fail(created);

    // An existing config folder is left alone, even when skins are missing from it.
    if (!QFileInfo::exists(folder.filePath(configFolderName()))) {
        if (!folder.mkdir(configFolderName()))
            return fail(Outcome::failure(QStringLiteral("无法创建文件夹 %1：没有写入权限或磁盘已满。")
                                             .arg(QDir::toNativeSeparators(folder.filePath(configFolderName())))));
        report.createdConfigFolder = true;
        for (const Skin &skin : Skins::all()) {
            if (Outcome written = SaveWholeFile(folder.filePath(skin.relativePath), payload(skin.payload)); !written)
                return fail(written);
        }
    }

    if (Outcome written = SaveWholeFile(folder.filePath(helpFileName()), helpTextBytes()); !written)
        return fail(written);

    // No skin library is unpacked here, so the template comes back whenever it is missing.
    const QString templatePath = folder.filePath(ImportTemplate::relativePath());
    if (QFileInfo(folder.filePath(configFolderName())).isDir() && !QFileInfo::exists(templatePath)) {
        if (Outcome written = ImportTemplate::write(templatePath); !written)
            return fail(written);
        report.wroteTemplate = true;
    }
    return report;
}

} // namespace Provisioning
