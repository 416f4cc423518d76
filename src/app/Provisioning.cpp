#include "app/Provisioning.h"

#include "core/Endpoints.h"
#include "core/GbkText.h"
#include "core/SaveWhole.h"
#include "settings/AppSettings.h"
#include "settings/Skins.h"
#include "store/RegisterSchema.h"
#include "transfer/ImportTemplate.h"
#include "update/UpdateCheck.h"

#include <QCryptographicHash>
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

// The style sheets earlier versions wrote, whose lists were hard to read on
// alternate rows (SHA-256).
bool isEarlierSkin(const QByteArray &sha256Hex)
{
    static const QByteArrayList earlier = {
        "cf0fe4ff797cff2037144f41faa3c67bc69721c4f7fd0c8ceb8c7f5c878a5e8d",
        "de7df873bd5a43b7a4ff93165ebd42af3874dad0ab3c3d0a1b7051852e736de3",
        "70b6af1b65ca44da78e5e10073671ef1374783f3929904a424595b2bf3ec2161",
        "35986c0b6ccb9528cfb5e6e1d3b7a127c824b827c13e2a278a7a2396ea450289",
        "7cbcef8a74ed1ef5258f7339002fcb38766dc08a96ea6d1a6ef89117f4841ccf",
        "e74ad63dd682daa5d5ee07dcdcc6d683267cb5e56c82f58e479ff93daafade6b",
        "05b63ccfa74a2feb4a44296f13ca788ca07e4502317263adb03a8a1eaf8121f7",
        "e4d56925148e0cdef79c2ba862036b43739e1cf76ca4e42ac660d060b507cb6b",
    };
    return earlier.contains(sha256Hex);
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
    DataFolder beside{programFolder, true, {}};
    if (QFileInfo::exists(folder.filePath(RegisterSchema::fileName())) ||
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

    const QString database = folder.filePath(RegisterSchema::fileName());
    if (Outcome created = RegisterSchema::createIfMissing(database, &report.createdDatabase); !created)
        return fail(created);

    // An existing config folder is left alone, even when skins are missing
    // from it; only a style sheet that is still one of ours, as an earlier
    // version wrote it, takes today's.
    if (QFileInfo::exists(folder.filePath(configFolderName()))) {
        for (const Skin &skin : Skins::all()) {
            QFile file(folder.filePath(skin.relativePath));
            if (!file.open(QIODevice::ReadOnly) || file.size() > qint64(64) * 1024 ||
                !isEarlierSkin(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()))
                continue;
            file.close();
            if (Outcome written = SaveWholeFile(file.fileName(), payload(skin.payload)); !written)
                return fail(written);
        }
    } else {
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
