#include "app/operations/MivFileManager.h"

#include "FileData/IMivLocalFile.h"
#include "FileData/Local/MivDirectoryEnumerator.h"
#include "FileData/Local/MivLocalEntries.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "app/plugins/MivZipArchivePlugin.h"
#include "app/settings/MivContext.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QSet>
#include <QUuid>

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The codes of archive failures in the program's file-operation domain.
constexpr qint64 kArchiveUnreadable = -301;
constexpr qint64 kArchiveNotWritten = -302;
constexpr qint64 kArchiveEntryRefused = -303;

QString tr(const char* text) { return QCoreApplication::translate("MivFileManager", text); }

void fail(plat::Error* error, qint64 code, const QString& description)
{
    MIV_LOG_ERROR(description);
    if (error)
        *error = MivErrorPresenter::makeFileOperationErrorWithCode(code, description);
}

QString zipErrorText(zip_t* archive)
{
    return QString::fromUtf8(zip_strerror(archive));
}

QString zipOpenErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString localPath(const MivFileDataPtr& item)
{
    if (!item || !dynamic_cast<const IMivLocalFile*>(item.get()))
        return QString();
    return item->sourcePath();
}

// --- Packing ---

class ZipWriter
{
public:
    explicit ZipWriter(zip_t* archive) : m_archive(archive) {}

    bool addTree(const QString& entryName, const QString& path, QString* failure);
    bool addFolderEntry(const QByteArray& name, mode_t mode, QString* failure);

private:
    bool addEntry(const QByteArray& name, const QByteArray& nativePath, const struct stat& info, QString* failure);
    void setMode(zip_int64_t index, mode_t mode);

    zip_t* m_archive;
};

void ZipWriter::setMode(zip_int64_t index, mode_t mode)
{
    zip_file_set_external_attributes(m_archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, zip_uint32_t(mode) << 16);
}

bool ZipWriter::addFolderEntry(const QByteArray& name, mode_t mode, QString* failure)
{
    const zip_int64_t index = zip_dir_add(m_archive, name.constData(), ZIP_FL_ENC_GUESS);
    if (index < 0) {
        *failure = zipErrorText(m_archive);
        return false;
    }
    setMode(index, S_IFDIR | (mode & 07777));
    return true;
}

bool ZipWriter::addEntry(const QByteArray& name, const QByteArray& nativePath, const struct stat& info, QString* failure)
{
    if (S_ISDIR(info.st_mode))
        return addFolderEntry(name + '/', info.st_mode, failure);
    zip_source_t* source = nullptr;
    if (S_ISLNK(info.st_mode)) {
        QByteArray target(qsizetype(info.st_size) + 1, '\0');
        const ssize_t length = ::readlink(nativePath.constData(), target.data(), size_t(target.size()));
        if (length < 0) {
            *failure = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
        // libzip frees the copy when the archive is written.
        void* copy = malloc(size_t(length) + 1);
        memcpy(copy, target.constData(), size_t(length));
        source = zip_source_buffer(m_archive, copy, zip_uint64_t(length), 1);
        if (!source)
            free(copy);
    } else if (S_ISREG(info.st_mode)) {
        source = zip_source_file(m_archive, nativePath.constData(), 0, -1);
    } else {
        // Sockets, pipes and devices have no content to keep.
        return true;
    }
    if (!source) {
        *failure = zipErrorText(m_archive);
        return false;
    }
    const zip_int64_t index = zip_file_add(m_archive, name.constData(), source, ZIP_FL_ENC_GUESS | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(source);
        *failure = zipErrorText(m_archive);
        return false;
    }
    setMode(index, info.st_mode);
    return true;
}

bool ZipWriter::addTree(const QString& entryName, const QString& path, QString* failure)
{
    const QByteArray name = plat::Path::toNative(entryName);
    if (path.isNull())
        return addFolderEntry(name + '/', 0755, failure);
    const QByteArray root = plat::Path::toNative(path);
    struct stat info {};
    if (::lstat(root.constData(), &info) != 0) {
        *failure = plat::errorFromErrno(errno, plat::FileAccess::Reading, path).description();
        return false;
    }
    if (!addEntry(name, root, info, failure))
        return false;
    if (!S_ISDIR(info.st_mode))
        return true;
    bool listed = true;
    MivDirectoryEnumerator enumerator({root}, 0, [&listed, failure](const QByteArray& folder, const plat::Error& err) {
        *failure = err.description();
        listed = false;
        Q_UNUSED(folder);
        return false;
    });
    MivDirectoryEntry entry;
    while (enumerator.nextObject(entry)) {
        if (::lstat(entry.path.constData(), &info) != 0) {
            *failure = plat::errorFromErrno(errno, plat::FileAccess::Reading, plat::Path::fromNative(entry.path)).description();
            return false;
        }
        if (!addEntry(name + entry.path.mid(root.size()), entry.path, info, failure))
            return false;
    }
    return listed;
}

// --- Unpacking ---

struct ZipCloser
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

enum class EntryKind { File, Folder, Link };

struct PlannedEntry
{
    zip_uint64_t index = 0;
    QList<QByteArray> components;
    EntryKind kind = EntryKind::File;
    mode_t mode = 0;
};

bool isUnsafeComponent(const QByteArray& component)
{
    return component.isEmpty() || component == "." || component == "..";
}

// Where a link's target leads, as components below the unpack folder;
// nullopt when it leaves the folder or passes through another link before
// its last component (the kernel would follow that link first).
std::optional<QList<QByteArray>> linkDestination(const QList<QByteArray>& linkComponents, const QByteArray& target,
                                                 const QSet<QByteArray>& links)
{
    if (target.isEmpty() || target.startsWith('/'))
        return std::nullopt;
    QList<QByteArray> at = linkComponents.mid(0, linkComponents.size() - 1);
    const QList<QByteArray> steps = target.split('/');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QByteArray& step = steps[i];
        if (step.isEmpty() || step == ".")
            continue;
        if (step == "..") {
            if (at.isEmpty())
                return std::nullopt;
            at.removeLast();
            continue;
        }
        at.append(step);
        if (i + 1 < steps.size() && links.contains(at.join('/')))
            return std::nullopt;
    }
    return at;
}

std::optional<QList<PlannedEntry>> planEntries(zip_t* archive, QString* refused)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    QList<PlannedEntry> plan;
    QSet<QByteArray> links;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(archive, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        QByteArray name = rawName ? QByteArray(rawName) : QByteArray();
        PlannedEntry entry;
        entry.index = zip_uint64_t(i);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(archive, entry.index, 0, &system, &attributes);
        const mode_t unixMode = system == ZIP_OPSYS_UNIX ? mode_t(attributes >> 16) : 0;
        if (name.endsWith('/') || S_ISDIR(unixMode)) {
            entry.kind = EntryKind::Folder;
            while (name.endsWith('/'))
                name.chop(1);
        } else if (S_ISLNK(unixMode)) {
            entry.kind = EntryKind::Link;
        }
        entry.mode = unixMode & 0777;
        entry.components = name.split('/');
        if (name.isEmpty() || name.startsWith('/')
            || std::any_of(entry.components.cbegin(), entry.components.cend(), isUnsafeComponent)) {
            *refused = plat::Path::fromNative(rawName ? QByteArray(rawName) : QByteArray());
            return std::nullopt;
        }
        if (entry.kind == EntryKind::Link)
            links.insert(name);
        plan.append(entry);
    }
    // No entry may be reached through a link of the archive, and every link
    // must stay inside the folder.
    for (const PlannedEntry& entry : plan) {
        QByteArray prefix;
        for (qsizetype c = 0; c + 1 < entry.components.size(); ++c) {
            prefix += (c ? "/" : "") + entry.components[c];
            if (links.contains(prefix)) {
                *refused = plat::Path::fromNative(entry.components.join('/'));
                return std::nullopt;
            }
        }
        if (entry.kind != EntryKind::Link)
            continue;
        zip_stat_t info;
        zip_stat_init(&info);
        QByteArray target;
        if (zip_stat_index(archive, entry.index, 0, &info) == 0 && (info.valid & ZIP_STAT_SIZE) && info.size < 4096) {
            if (zip_file_t* file = zip_fopen_index(archive, entry.index, 0)) {
                target.resize(qsizetype(info.size));
                const zip_int64_t read = zip_fread(file, target.data(), info.size);
                zip_fclose(file);
                target.resize(read < 0 ? 0 : qsizetype(read));
            }
        }
        if (target.contains('\0') || !linkDestination(entry.components, target, links)) {
            *refused = plat::Path::fromNative(entry.components.join('/'));
            return std::nullopt;
        }
    }
    return plan;
}

bool writeEntryFile(zip_t* archive, const PlannedEntry& entry, const QString& path, QString* failure)
{
    zip_file_t* file = zip_fopen_index(archive, entry.index, 0);
    if (!file) {
        *failure = zipErrorText(archive);
        return false;
    }
    const auto closeFile = qScopeGuard([file] { zip_fclose(file); });
    const int fd = plat::Path::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, entry.mode ? entry.mode : 0644);
    if (fd < 0) {
        *failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path).description();
        return false;
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    char buffer[65536];
    for (;;) {
        const zip_int64_t read = zip_fread(file, buffer, sizeof buffer);
        if (read < 0) {
            *failure = QString::fromUtf8(zip_file_strerror(file));
            return false;
        }
        if (read == 0)
            return true;
        for (zip_int64_t done = 0; done < read;) {
            const ssize_t written = ::write(fd, buffer + done, size_t(read - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0) {
                *failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path).description();
                return false;
            }
            done += written;
        }
    }
}

// Every folder on the way is made by us, so no write ever goes through a
// link: links are made last.
bool makeFolders(const QString& root, const QList<QByteArray>& components, qsizetype count, mode_t mode, QString* failure)
{
    QString path = root;
    for (qsizetype c = 0; c < count; ++c) {
        path = plat::PathString::appendingPathComponent(path, plat::Path::fromNative(components[c]));
        struct stat info {};
        if (plat::Path::lstat(path, &info) == 0) {
            if (S_ISDIR(info.st_mode))
                continue;
            *failure = plat::errorFromErrno(EEXIST, plat::FileAccess::Writing, path).description();
            return false;
        }
        if (plat::Path::mkdir(path, c + 1 == count && mode ? (mode | 0700) : 0755) != 0) {
            *failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path).description();
            return false;
        }
    }
    return true;
}

bool unpackEntry(zip_t* archive, const PlannedEntry& entry, const QString& folder, QString* failure)
{
    const qsizetype parents = entry.components.size() - 1;
    if (entry.kind == EntryKind::Folder)
        return makeFolders(folder, entry.components, entry.components.size(), entry.mode, failure);
    if (!makeFolders(folder, entry.components, parents, 0, failure))
        return false;
    QString path = folder;
    for (const QByteArray& component : entry.components)
        path = plat::PathString::appendingPathComponent(path, plat::Path::fromNative(component));
    if (entry.kind == EntryKind::File)
        return writeEntryFile(archive, entry, path, failure);
    zip_file_t* file = zip_fopen_index(archive, entry.index, 0);
    QByteArray target(4096, '\0');
    const zip_int64_t read = file ? zip_fread(file, target.data(), zip_uint64_t(target.size())) : -1;
    if (file)
        zip_fclose(file);
    if (read < 0) {
        *failure = zipErrorText(archive);
        return false;
    }
    target.resize(qsizetype(read));
    if (::symlink(target.constData(), plat::Path::toNative(path).constData()) != 0) {
        *failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path).description();
        return false;
    }
    return true;
}

QString uniqueChildName(const QString& folder, const QString& prefix)
{
    return plat::PathString::appendingPathComponent(folder, prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

} // namespace

bool MivFileManager::packZip(const QList<ZipSource>& sources, const QString& zipPath, plat::Error* error)
{
    // Written under a temporary name and renamed into place when complete,
    // so a failed export never leaves half an archive under the real name.
    const QString folder = plat::PathString::deletingLastPathComponent(zipPath);
    const QString temporary = uniqueChildName(folder, QStringLiteral(".miv-zip-"));
    int openError = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(plat::Path::toNative(temporary).constData(), ZIP_CREATE | ZIP_EXCL, &openError));
    if (!archive) {
        fail(error, kArchiveNotWritten, tr("Cannot create archive '%1': %2").arg(zipPath, zipOpenErrorText(openError)));
        return false;
    }
    ZipWriter writer(archive.get());
    for (const ZipSource& source : sources) {
        QString failure;
        if (!writer.addTree(source.entryName, source.path, &failure)) {
            fail(error, kArchiveNotWritten, tr("Cannot add '%1' to archive '%2': %3").arg(source.entryName, zipPath, failure));
            return false;
        }
    }
    if (zip_close(archive.get()) != 0) {
        const QString failure = zipErrorText(archive.get());
        ::unlink(plat::Path::toNative(temporary).constData());
        fail(error, kArchiveNotWritten, tr("Cannot write archive '%1': %2").arg(zipPath, failure));
        return false;
    }
    archive.release();
    if (plat::Path::rename(temporary, zipPath) != 0) {
        const plat::Error renameError = plat::errorFromErrno(errno, plat::FileAccess::Writing, zipPath);
        ::unlink(plat::Path::toNative(temporary).constData());
        fail(error, kArchiveNotWritten, renameError.description());
        return false;
    }
    return true;
}

std::optional<QStringList> MivFileManager::unpackZip(const QString& zipPath, const QString& folder, plat::Error* error)
{
    int openError = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(plat::Path::toNative(zipPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &openError));
    if (!archive) {
        fail(error, kArchiveUnreadable, tr("Cannot open archive '%1': %2").arg(zipPath, zipOpenErrorText(openError)));
        return std::nullopt;
    }
    QString refused;
    const auto plan = planEntries(archive.get(), &refused);
    if (!plan) {
        fail(error, kArchiveEntryRefused,
             tr("Archive '%1' was refused: its entry '%2' would be written outside the folder it is unpacked into").arg(zipPath, refused));
        return std::nullopt;
    }
    QStringList topLevel;
    QList<const PlannedEntry*> links;
    for (const PlannedEntry& entry : *plan) {
        const QString top = plat::Path::fromNative(entry.components.first());
        if (!topLevel.contains(top))
            topLevel.append(top);
        if (entry.kind == EntryKind::Link) {
            links.append(&entry);
            continue;
        }
        QString failure;
        if (!unpackEntry(archive.get(), entry, folder, &failure)) {
            fail(error, kArchiveUnreadable, tr("Cannot unpack archive '%1': %2").arg(zipPath, failure));
            return std::nullopt;
        }
    }
    for (const PlannedEntry* entry : links) {
        QString failure;
        if (!unpackEntry(archive.get(), *entry, folder, &failure)) {
            fail(error, kArchiveUnreadable, tr("Cannot unpack archive '%1': %2").arg(zipPath, failure));
            return std::nullopt;
        }
    }
    return topLevel;
}

bool MivFileManager::compressFile(const MivFileDataPtr& file, const MivFileDataPtr& dest, const QString& name)
{
    const auto context = MivContext::context();
    if (!context->resolveArchivePluginByExt(name))
        context->plugins();
    if (!std::dynamic_pointer_cast<MivZipArchivePlugin>(context->resolveArchivePluginByExt(name)))
        return false;
    const QString source = localPath(file);
    const QString folder = localPath(dest);
    if (source.isEmpty() || folder.isEmpty())
        return false;
    const QString zipPath = plat::PathString::appendingPathComponent(folder, name);
    plat::Error error;
    const bool packed = packZip({{file->name(), source}}, zipPath, &error);
    MIV_LOG_DEBUG(QStringLiteral("Compression result: %1").arg(packed ? QStringLiteral("YES") : error.description()));
    return true;
}

MivFileDataPtr MivFileManager::decompressFile(const MivFileDataPtr& file, const MivFileDataPtr& dest)
{
    const QString zipPath = localPath(file);
    const QString folder = localPath(dest);
    if (zipPath.isEmpty() || folder.isEmpty())
        return nullptr;
    plat::Error error;
    const auto topLevel = unpackZip(zipPath, folder, &error);
    if (!topLevel)
        return nullptr;
    const QString top = topLevel->size() == 1 ? topLevel->first()
                                              : plat::PathString::deletingPathExtension(file->name());
    const QString path = plat::PathString::appendingPathComponent(folder, top);
    auto result = MivFileDataManager::makeFreshInstanceForString(path, true);
    return result && result->exists() ? result : nullptr;
}
