#include "app/settings/MivContext.h"

#include "FileData/IMivLocalFile.h"
#include "FileData/Local/MivLocalEntries.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "app/operations/MivFileManager.h"
#include "platform/KeyedArchive.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"
#include "platform/ReadAll.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QUuid>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

namespace {

const QString kExportFolder = QStringLiteral("mivo-settings");
const QString kProgramFolder = QStringLiteral("MIVO");
const QString kPreferencesFile = QStringLiteral("pl.olmi.Mivo.plist");

QString tr(const char* text) { return QCoreApplication::translate("MivContext", text); }

QString xdgHome(const char* variable, const char* fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && value.startsWith(u'/'))
        return value;
    return plat::PathString::appendingPathComponent(plat::PathString::homeDirectory(), QString::fromLatin1(fallback));
}

bool isFolder(const QString& path)
{
    struct stat info {};
    return plat::Path::lstat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const QString& path)
{
    struct stat info {};
    return plat::Path::lstat(path, &info) == 0 && S_ISREG(info.st_mode);
}

QString localPath(const MivFileDataPtr& item)
{
    return item && dynamic_cast<const IMivLocalFile*>(item.get()) ? item->sourcePath() : QString();
}

// A file put in place of another that may sit on another file system: a
// rename where it can, else its bytes written beside the target and renamed
// over it. 0 or an errno.
int replaceFile(const QString& from, const QString& to)
{
    const int renamed = MivLocalEntries::replaceEntry(from, to);
    if (renamed != EXDEV)
        return renamed;
    const int fd = plat::Path::open(from, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno;
    QByteArray bytes;
    const int readError = plat::readAll(fd, &bytes);
    ::close(fd);
    if (readError)
        return readError;
    plat::Error error;
    return plat::KeyedArchive::writeBytesAtomically(to, bytes, &error) ? 0 : EIO;
}

// "settings_2024_03_07.zip" -> "2024-03-07": every "settings_" and ".zip"
// removed (case as written), "_" turned into "-".
QString exportStem(const QString& name)
{
    QString stem = name;
    stem.remove(QStringLiteral("settings_"));
    stem.remove(QStringLiteral(".zip"));
    return stem.replace(u'_', u'-');
}

std::mutex& pendingLock()
{
    static std::mutex lock;
    return lock;
}

MivFileDataPtr& pendingImport()
{
    static MivFileDataPtr zip;
    return zip;
}

} // namespace

QString MivContext::programFolderPath()
{
    const QString folder = plat::PathString::appendingPathComponent(xdgHome("XDG_DATA_HOME", ".local/share"), kProgramFolder);
    // The folder holds settings only its owner should read.
    plat::Path::makePath(folder, 0700);
    return folder;
}

QString MivContext::preferencesFilePath()
{
    const QString folder = plat::PathString::appendingPathComponent(xdgHome("XDG_CONFIG_HOME", ".config"), kProgramFolder);
    return plat::PathString::appendingPathComponent(folder, kPreferencesFile);
}

QString MivContext::settingsExportFileName(const QDate& date)
{
    return QStringLiteral("settings_%1.zip").arg(date.toString(QStringLiteral("yyyy_MM_dd")));
}

void MivContext::exportSettingsToDropbox()
{
    MIV_LOG_DEBUG(QStringLiteral("No cloud account is linked: settings are not exported"));
}

void MivContext::importSettingsFromDropbox()
{
    MIV_LOG_DEBUG(QStringLiteral("No cloud account is linked: no settings to import"));
}

MivFileDataPtr MivContext::exportSettingsTo(const MivFileDataPtr& folder)
{
    const QString target = localPath(folder);
    if (target.isEmpty())
        return nullptr;
    // Only what exists is packed; the folder entry itself always is.
    QList<MivFileManager::ZipSource> sources{{kExportFolder, QString()}};
    const QString preferences = preferencesFilePath();
    if (isFile(preferences))
        sources.append({kExportFolder + u'/' + kPreferencesFile, preferences});
    const QString program = programFolderPath();
    if (isFolder(program))
        sources.append({kExportFolder + u'/' + kProgramFolder, program});

    const QString name = settingsExportFileName(QDate::currentDate());
    const QString zipPath = plat::PathString::appendingPathComponent(target, name);
    plat::Error error;
    if (!MivFileManager::packZip(sources, zipPath, &error)) {
        MIV_LOG_ERROR(QStringLiteral("Error saving settings: %1").arg(error.description()));
        return nullptr;
    }
    MIV_LOG_INFO(tr("Settings exported to Dropbox as file %1").arg(name));
    return MivFileDataManager::makeFreshInstanceForString(zipPath, true);
}

bool MivContext::importSettingsFrom(const MivFileDataPtr& zip, plat::Error* error)
{
    const QString program = programFolderPath();
    // Unpacked beside the program folder, so the new folder is renamed into
    // place on the same file system, never copied over it.
    const QString staging = plat::PathString::appendingPathComponent(
        plat::PathString::deletingLastPathComponent(program),
        QStringLiteral(".MIVO-import-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    if (plat::Path::mkdir(staging, 0700) != 0) {
        const plat::Error failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, staging);
        MIV_LOG_ERROR(QStringLiteral("Error saving settings: %1").arg(failure.description()));
        if (error)
            *error = failure;
        return false;
    }
    const auto removeStaging = qScopeGuard([&staging] { MivLocalEntries::removeEntry(staging); });

    const QString zipPath = localPath(zip);
    std::optional<QStringList> unpacked;
    plat::Error unpackError;
    if (!zipPath.isEmpty())
        unpacked = MivFileManager::unpackZip(zipPath, staging, &unpackError);
    const QString settings = plat::PathString::appendingPathComponent(staging, kExportFolder);
    if (!unpacked || !isFolder(settings)) {
        if (unpacked)
            unpackError = MivErrorPresenter::makeFileOperationErrorWithCode(
                -303, tr("'%1' holds no exported settings").arg(zipPath));
        MIV_LOG_ERROR(QStringLiteral("Error saving settings: %1").arg(unpackError.description()));
        if (error)
            *error = unpackError;
        return false;
    }
    MIV_LOG_DEBUG(QStringLiteral("Decompressed settings path: %1").arg(settings));

    bool replaced = true;
    const QString importedProgram = plat::PathString::appendingPathComponent(settings, kProgramFolder);
    if (isFolder(importedProgram)) {
        if (const int err = MivLocalEntries::replaceEntry(importedProgram, program)) {
            const plat::Error failure = plat::errorFromErrno(err, plat::FileAccess::Writing, program);
            MIV_LOG_ERROR(QStringLiteral("Error saving settings: %1").arg(failure.description()));
            if (error)
                *error = failure;
            replaced = false;
        }
    } else {
        MIV_LOG_ERROR(QStringLiteral("Import settings error - app support path not available: %1").arg(importedProgram));
    }

    const QString importedPreferences = plat::PathString::appendingPathComponent(settings, kPreferencesFile);
    if (isFile(importedPreferences)) {
        const QString preferences = preferencesFilePath();
        plat::Path::makePath(plat::PathString::deletingLastPathComponent(preferences), 0700);
        if (const int err = replaceFile(importedPreferences, preferences)) {
            const plat::Error failure = plat::errorFromErrno(err, plat::FileAccess::Writing, preferences);
            MIV_LOG_ERROR(QStringLiteral("Error saving settings: %1").arg(failure.description()));
        }
    }
    return replaced;
}

QStringList MivContext::sortedSettingsExports(const QStringList& names)
{
    QStringList exports;
    for (const QString& name : names) {
        if (name.toLower().endsWith(QLatin1String(".zip")) && name.startsWith(QLatin1String("settings_")))
            exports.append(name);
    }
    // Newest first; a name whose date does not read keeps its place
    // against every other (a stable sort treats it as equal).
    const auto dateOf = [](const QString& name) { return QDate::fromString(exportStem(name), QStringLiteral("yyyy-MM-dd")); };
    std::stable_sort(exports.begin(), exports.end(), [&dateOf](const QString& a, const QString& b) {
        const QDate da = dateOf(a);
        const QDate db = dateOf(b);
        return da.isValid() && db.isValid() && da > db;
    });
    return exports;
}

QString MivContext::settingsExportTitle(const QString& name)
{
    return exportStem(name);
}

void MivContext::setPendingSettingsImport(MivFileDataPtr zip)
{
    std::lock_guard guard(pendingLock());
    pendingImport() = std::move(zip);
}

MivFileDataPtr MivContext::pendingSettingsImport()
{
    std::lock_guard guard(pendingLock());
    return pendingImport();
}

bool MivContext::finishPendingSettingsImport()
{
    MivFileDataPtr zip;
    {
        std::lock_guard guard(pendingLock());
        zip = std::exchange(pendingImport(), nullptr);
    }
    if (!zip)
        return false;
    // From here the archive on disk is the imported one (or, when the import
    // fails, the one the caller just wrote): no later save may replace it.
    stopSaving();
    return importSettingsFrom(zip);
}
