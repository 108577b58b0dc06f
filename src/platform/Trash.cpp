#include "platform/Trash.h"

#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"

#include <QList>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace plat {

namespace {

constexpr int kMaxUniqueNames = 10000;

bool lstatPath(const QString& path, struct stat* info)
{
    return Path::isNameable(path) && ::lstat(Path::toNative(path).constData(), info) == 0;
}


// A folder of ours for trash: a real folder (no link) owned by us, made
// 0700 when missing.
bool ensurePrivateFolder(const QString& path)
{
    if (Path::mkdir(path, 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return lstatPath(path, &info) && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

// A trash folder with its "files" and "info" folders, ready for use.
bool prepareTrash(const QString& trash)
{
    return ensurePrivateFolder(trash) && ensurePrivateFolder(trash + QStringLiteral("/files"))
           && ensurePrivateFolder(trash + QStringLiteral("/info"));
}

// The top folder of the volume holding the folder: the highest ancestor on
// the same device.
QString topFolderOf(const QString& realFolder, dev_t device)
{
    QString top = realFolder;
    while (top != QLatin1String("/")) {
        const QString up = PathString::deletingLastPathComponent(top);
        struct stat info {};
        if (!lstatPath(up, &info) || info.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The trash of another volume: the shared sticky .Trash when the
// administrator made one, else our own .Trash-$uid.
QString volumeTrash(const QString& top)
{
    const QString uid = QString::number(::geteuid());
    const QString base = top == QLatin1String("/") ? QString() : top;
    const QString shared = base + QStringLiteral("/.Trash");
    struct stat info {};
    if (lstatPath(shared, &info) && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        const QString mine = shared + QLatin1Char('/') + uid;
        if (prepareTrash(mine))
            return mine;
    } else if (lstatPath(shared, &info)) {
        // A .Trash that is a link or not sticky could be anybody's: the
        // specification says not to use it.
        MIV_LOG_WARN(QStringLiteral("Ignoring unsafe trash folder: %1").arg(Path::toFileUrl(shared)));
    }
    const QString own = base + QStringLiteral("/.Trash-") + uid;
    return prepareTrash(own) ? own : QString();
}

QString uniqueName(const QString& name, int attempt)
{
    if (attempt == 1)
        return name;
    const QString extension = PathString::pathExtension(name);
    const QString stem = PathString::deletingPathExtension(name);
    const QString numbered = stem + QLatin1Char('.') + QString::number(attempt);
    return extension.isEmpty() ? numbered : numbered + QLatin1Char('.') + extension;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

} // namespace

QString Trash::homeTrashFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !dataHome.startsWith(QLatin1Char('/')))
        dataHome = PathString::homeDirectory() + QStringLiteral("/.local/share");
    return PathString::appendingPathComponent(dataHome, QStringLiteral("Trash"));
}

QString Trash::moveToTrash(const QString& path, Error* error)
{
    const auto fail = [&](int err, const QString& about) {
        Error::assign(error, errorFromErrno(err, FileAccess::Writing, about));
        return QString();
    };
    const QString name = PathString::lastPathComponent(path);
    struct stat entry {};
    if (name.isEmpty() || name == QLatin1String("/") || !lstatPath(path, &entry))
        return fail(name.isEmpty() || name == QLatin1String("/") ? EINVAL : errno, path);

    // The folder as it really is, so the volume's top is found from it and
    // not from a link that leads there.
    const QString folder = Path::realPath(PathString::deletingLastPathComponent(path));
    if (folder.isEmpty())
        return fail(errno, path);
    const QString source = PathString::appendingPathComponent(folder, name);

    QString trash = homeTrashFolder();
    QString recordedPath = source;
    Path::makePath(trash, 0700);
    struct stat home {};
    if (!lstatPath(trash, &home) || home.st_dev != entry.st_dev || !prepareTrash(trash)) {
        const QString top = topFolderOf(folder, entry.st_dev);
        trash = volumeTrash(top);
        if (trash.isEmpty())
            return fail(EACCES, top);
        recordedPath = top == QLatin1String("/") ? source.mid(1) : source.mid(top.size() + 1);
    }

    const QByteArray info = formatInfo(recordedPath, QDateTime::currentDateTime());
    const QByteArray from = Path::toNative(source);
    for (int attempt = 1; attempt <= kMaxUniqueNames; ++attempt) {
        const QString candidate = uniqueName(name, attempt);
        const QString infoPath = trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        const int fd = Path::open(infoPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return fail(errno, infoPath);
        const bool written = writeAll(fd, info);
        const int writeError = errno;
        ::close(fd);
        const QByteArray infoNative = Path::toNative(infoPath);
        if (!written) {
            ::unlink(infoNative.constData());
            return fail(writeError, infoPath);
        }
        const QString target = trash + QStringLiteral("/files/") + candidate;
        const int moved = Path::renameNoReplaceOrCheck(source, target) == 0 ? 0 : errno;
        if (moved == 0)
            return target;
        // The slot is taken by a file without its record (another program
        // crashed half-way): leave it alone and take the next name.
        ::unlink(infoNative.constData());
        if (moved != EEXIST)
            return fail(moved, path);
    }
    return fail(EEXIST, path);
}

QByteArray Trash::formatInfo(const QString& path, const QDateTime& deletionDate)
{
    QByteArray text("[Trash Info]\nPath=");
    text += Path::percentEncode(Path::toNative(path));
    text += "\nDeletionDate=";
    text += deletionDate.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    text += '\n';
    return text;
}

std::optional<Trash::Info> Trash::parseInfo(const QByteArray& contents)
{
    bool inGroup = false;
    bool seenGroup = false;
    std::optional<QByteArray> encodedPath;
    QByteArray date;
    for (QByteArray line : contents.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('[')) {
            inGroup = line == "[Trash Info]" && !seenGroup;
            seenGroup = seenGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        // The first occurrence of a key counts, as desktop files read.
        if (line.startsWith("Path=") && !encodedPath)
            encodedPath = line.mid(5);
        else if (line.startsWith("DeletionDate=") && date.isEmpty())
            date = line.mid(13);
    }
    if (!encodedPath || encodedPath->isEmpty())
        return std::nullopt;
    const QByteArray bytes = Path::percentDecode(*encodedPath);
    // A path with a NUL names nothing the kernel can find.
    if (bytes.contains('\0'))
        return std::nullopt;
    Info info;
    info.path = Path::fromNative(bytes);
    info.deletionDate = QDateTime::fromString(QString::fromLatin1(date), Qt::ISODate);
    return info;
}

bool Trash::emptyHomeTrash(Error* error)
{
    namespace fs = std::filesystem;
    const fs::path trash = fs::path(homeTrashFolder().toStdString());
    std::error_code firstError;
    // The entries go before their .trashinfo files, so an interrupted run
    // never leaves an entry that no info file describes.
    for (const char* folder : {"files", "info"}) {
        std::error_code ec;
        fs::directory_iterator it(trash / folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code removeError;
            fs::remove_all(it->path(), removeError);
            if (removeError && !firstError)
                firstError = removeError;
        }
        if (ec && ec != std::errc::no_such_file_or_directory && !firstError)
            firstError = ec;
    }
    if (!firstError)
        return true;
    if (error)
        *error = posixError(firstError.value(), homeTrashFolder());
    return false;
}

} // namespace plat
