#include "FileData/Local/MivOsxFileData.h"

#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/Local/MivLocalEntries.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileDataManager.h"
#include "platform/Accounts.h"
#include "platform/Error.h"
#include "platform/ExtendedAttributes.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"
#include "platform/Trash.h"

#include <QCoreApplication>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace {

QString tr(const char* text) { return QCoreApplication::translate("MivOsxFileData", text); }

// A name the kernel takes as one entry of a folder.
bool isEntryName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'))
           && plat::Path::isNameable(name);
}

bool lstatPath(const QString& path, struct stat* info)
{
    return plat::Path::isNameable(path) && ::lstat(plat::Path::toNative(path).constData(), info) == 0;
}

// An attribute of the entry itself; an empty value removes it.
void writeEntryAttribute(const QString& path, const char* name, const QByteArray& value)
{
    using plat::ExtendedAttributes;
    if (value.isEmpty())
        ExtendedAttributes::remove(path, name, ExtendedAttributes::Links::Entry);
    else
        ExtendedAttributes::set(path, name, value, ExtendedAttributes::Links::Entry);
}

// The leading integer of a text as the platform's integer reading takes it
// (blanks, a sign, digits); nothing without digits.
std::optional<qint64> leadingInteger(const QString& text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = (trimmed.startsWith(QLatin1Char('-')) || trimmed.startsWith(QLatin1Char('+'))) ? 1 : 0;
    const qsizetype digits = end;
    while (end < trimmed.size() && trimmed.at(end).isDigit() && trimmed.at(end).unicode() < 128)
        ++end;
    if (end == digits)
        return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.left(end).toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

QString accountTitle(const plat::Accounts::Account& account)
{
    // Linux groups have no real name, and many users none either: the
    // account's own name stands in rather than a placeholder.
    const QString realName = account.realName.isEmpty() ? account.name : account.realName;
    return QStringLiteral("%1 (%2): %3").arg(account.name, QString::number(account.id), realName);
}

} // namespace

// --- Making ---

MivFileDataPtr MivOsxFileData::makeFileWithName(const QString& name, plat::Error* error)
{
    if (name.isNull())
        return nullptr;
    const QString path = plat::PathString::appendingPathComponent(sourcePath(), name);
    if (!isEntryName(name)) {
        plat::Error::assign(error, plat::errorFromErrno(EINVAL, plat::FileAccess::Writing, path));
        return nullptr;
    }
    // Exclusive: an existing file keeps its content.
    const int fd = plat::Path::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST) {
            const QString message = tr("File with name '%1' already exists in current folder").arg(name);
            plat::Error::assign(error, MivErrorPresenter::makeFileOperationErrorWithCode(-31, message));
        } else {
            plat::Error::assign(error, plat::errorFromErrno(err, plat::FileAccess::Writing, path));
        }
        return nullptr;
    }
    ::close(fd);
    return MivFileDataManager::makeInstanceForURL(plat::Path::toFileQUrl(path), true);
}

MivFileDataPtr MivOsxFileData::makeFolderWithName(const QString& name, plat::Error* error)
{
    if (name.isNull())
        return nullptr;
    const QString path = plat::PathString::appendingPathComponent(sourcePath(), name);
    if (!isEntryName(name)) {
        plat::Error::assign(error, plat::errorFromErrno(EINVAL, plat::FileAccess::Writing, path));
        return nullptr;
    }
    if (plat::Path::mkdir(path, 0777) != 0) {
        plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Writing, path));
        return nullptr;
    }
    return MivFileDataManager::makeInstanceForURL(plat::Path::toFileQUrl(path), true);
}

// --- Renaming ---

bool MivOsxFileData::rename(const QString& newName, bool withRefresh, plat::Error* error)
{
    const MivFileDataPtr folder = realParent();
    if (!dynamic_cast<MivUrlFileData*>(folder.get()))
        return false;
    if (!isEntryName(newName)) {
        const plat::Error failure = plat::errorFromErrno(EINVAL, plat::FileAccess::Writing, newName);
        MIV_LOG_ERROR(QStringLiteral("File manager rename error: %1").arg(failure.description()));
        if (error)
            *error = failure;
        else
            MivErrorPresenter::presentError(failure);
        return false;
    }
    return rename(sourcePath(), plat::PathString::appendingPathComponent(folder->sourcePath(), newName), withRefresh, error);
}

bool MivOsxFileData::isSameEntryAtPath(const QString& path) const
{
    struct stat mine {};
    struct stat other {};
    return lstatPath(sourcePath(), &mine) && lstatPath(path, &other) && mine.st_dev == other.st_dev
           && mine.st_ino == other.st_ino;
}

bool MivOsxFileData::rename(const QString& fromPath, const QString& toPath, bool withRefresh, plat::Error* error)
{
    int err = 0;
    QString errorPath = fromPath;
    struct stat source {};
    struct stat target {};
    if (!lstatPath(fromPath, &source)) {
        err = plat::Path::isNameable(fromPath) ? errno : EINVAL;
    } else if (!lstatPath(toPath, &target)) {
        // No target: a move that never takes a name that appears meanwhile.
        err = MivLocalEntries::renameNoReplace(fromPath, toPath);
        errorPath = toPath;
    } else if (source.st_dev == target.st_dev && source.st_ino == target.st_ino && fromPath != toPath) {
        // The same entry under another spelling (a letter-case change on a
        // volume that ignores case, or a second link): through a free
        // temporary name, as such volumes refuse a direct rename.
        QString temporary = MivLocalEntries::moveAside(fromPath, QStringLiteral(".miv"), &err);
        if (!temporary.isNull()) {
            const QByteArray from = plat::Path::toNative(temporary);
            if (::rename(from.constData(), plat::Path::toNative(toPath).constData()) != 0) {
                err = errno;
                MivLocalEntries::renameNoReplace(temporary, fromPath);
            } else if (struct stat left {}; ::lstat(from.constData(), &left) == 0 && left.st_ino == source.st_ino) {
                // Two links of one file: the kernel's rename kept both;
                // the old name goes, as a rename promises.
                ::unlink(from.constData());
            }
        }
    } else {
        // A different entry of that name: the caller has chosen to replace it.
        err = MivLocalEntries::replaceEntry(fromPath, toPath);
        if (err)
            MIV_LOG_ERROR(QStringLiteral("Underlying replace error: %1").arg(plat::posixError(err, toPath).description()));
    }

    if (err) {
        const plat::Error failure = plat::errorFromErrno(err, plat::FileAccess::Writing, errorPath);
        MIV_LOG_ERROR(QStringLiteral("File manager rename error: %1").arg(failure.description()));
        if (error)
            *error = failure;
        else
            MivErrorPresenter::presentError(failure);
        return false;
    }
    if (withRefresh)
        refreshNePathAfterRename(toPath);
    return true;
}

void MivOsxFileData::refreshNePathAfterRename(const QString& path)
{
    if (!fileURL().isEmpty())
        clearCache();
    setFileURL(plat::Path::toFileQUrl(path));
    if (!fileURL().isEmpty()) {
        setExtenssion(QString());
        setLoaded(false);
        refresh();
    }
}

// --- Trash and removal ---

plat::Error MivOsxFileData::trash()
{
    plat::Error failure;
    const QString trashed = plat::Trash::moveToTrash(sourcePath(), &failure);
    if (trashed.isNull())
        return failure;
    setFileURL(plat::Path::toFileQUrl(trashed));
    return plat::Error();
}

plat::Error MivOsxFileData::remove()
{
    const auto provider = MivFileDataHelpers::fileDataPropertiesProvider();
    if (provider && provider->useTrash() && MivFileDataManager::checkMoveToTrash(selfPtr()))
        return trash();
    const QString path = sourcePath();
    const int err = MivLocalEntries::removeEntry(path);
    if (!err)
        return plat::Error();
    const plat::Error failure = plat::errorFromErrno(err, plat::FileAccess::Writing, path);
    if (failure.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileWriteNoPermissionError)) {
        MIV_LOG_INFO(QStringLiteral("Permission denied when attempting to delete the file: %1")
                         .arg(failure.localizedDescription()));
        return trash();
    }
    return failure;
}

// --- Attributes ---

bool MivOsxFileData::updateAttributes(const std::optional<qint64>& posix, const QDateTime& creationDate,
                                      const QDateTime& modificationDate, const QString& fileType, const QString& uuid,
                                      const QString& guid, plat::Error* error)
{
    const QString path = sourcePath();
    // Linux keeps the birth time to itself and has no settable file type:
    // both are taken as done, and their marks go so they are read again.
    if (creationDate.isValid())
        removeAttr(QStringLiteral("creationDate"));
    if (!fileType.isNull() && !isFolder())
        removeAttr(QStringLiteral("utiType"));
    const auto owner = uuid.isNull() ? std::nullopt : recordIdForTitle(uuid);
    const auto group = guid.isNull() ? std::nullopt : recordIdForTitle(guid);

    int err = path.isEmpty() || !plat::Path::isNameable(path) ? EINVAL : 0;
    const QByteArray native = plat::Path::toNative(path);
    // Owner first: a change of owner clears the set-id bits a new mode may set.
    if (!err && (owner || group)
        && ::chown(native.constData(), owner ? uid_t(owner->first) : uid_t(-1), group ? gid_t(group->first) : gid_t(-1)) != 0)
        err = errno;
    if (!err && posix && (*posix & 0777) != 0 && ::chmod(native.constData(), mode_t(*posix & 07777)) != 0)
        err = errno;
    if (!err && modificationDate.isValid()) {
        const qint64 ms = modificationDate.toMSecsSinceEpoch();
        struct timespec times[2] = {{0, UTIME_OMIT}, {ms / 1000, (ms % 1000) * 1000000}};
        if (ms < 0 && ms % 1000 != 0)
            times[1] = {ms / 1000 - 1, (1000 + ms % 1000) * 1000000};
        if (::utimensat(AT_FDCWD, native.constData(), times, 0) != 0)
            err = errno;
    }

    clearCache();
    // What the disk now holds answers from the next read, not a value
    // stored before.
    MivUrlFileData::setPosix(std::nullopt);
    setOwner(QString());
    setGroup(QString());
    permsUpdated();

    if (!err)
        return true;
    const plat::Error failure = plat::errorFromErrno(err, plat::FileAccess::Writing, path);
    if (error) {
        *error = failure;
    } else {
        MivErrorPresenter::presentError(failure);
        MIV_LOG_ERROR(QStringLiteral("Set attributes error: %1").arg(failure.description()));
    }
    return false;
}

void MivOsxFileData::updateModDate(const QDateTime& date)
{
    plat::Error failure;
    if (!applyModDate(date, &failure))
        MIV_LOG_ERROR(QStringLiteral("Error while updating MOD DATE: %1").arg(failure.description()));
}

bool MivOsxFileData::applyModDate(const QDateTime& date, plat::Error* error)
{
    const bool done = updateAttributes(std::nullopt, QDateTime(), date, QString(), QString(), QString(), error);
    refresh();
    return done;
}

void MivOsxFileData::setPosix(const std::optional<qint64>& posix)
{
    plat::Error failure;
    if (!updateAttributes(posix, QDateTime(), QDateTime(), QString(), QString(), QString(), &failure))
        MIV_LOG_ERROR(QStringLiteral("Error while setting POSIX: %1").arg(failure.description()));
    refresh();
}

bool MivOsxFileData::updatePosix(const std::optional<qint64>& posix, const QString& userID, const QString& groupID,
                                 plat::Error* error)
{
    plat::Error failure;
    const bool done = updateAttributes(posix, QDateTime(), QDateTime(), QString(), userID, groupID, &failure);
    if (!done && failure) {
        if (error) {
            *error = failure;
            MIV_LOG_ERROR(QStringLiteral("Error while updating POSIX: %1").arg(failure.description()));
        } else {
            MivErrorPresenter::presentError(failure);
        }
    }
    refresh();
    return done;
}

std::optional<std::pair<qint64, QString>> MivOsxFileData::recordIdForTitle(const QString& title)
{
    const qsizetype open = title.indexOf(QLatin1Char('('));
    if (open < 0)
        return std::nullopt;
    const QString name = title.left(qMax<qsizetype>(0, open - 1));
    const qsizetype close = title.indexOf(QLatin1Char(')'), open + 1);
    if (close < 0)
        return std::nullopt;
    // An id that is no number names nobody; reading it as 0 would make the
    // file the administrator's.
    const std::optional<qint64> id = leadingInteger(title.mid(open + 1, close - open - 1));
    if (!id || *id < 0 || *id > qint64(std::numeric_limits<quint32>::max() - 1))
        return std::nullopt;
    return std::make_pair(*id, name);
}

std::optional<QStringList> MivOsxFileData::availableUsers(bool systemAccounts) const
{
    QStringList titles;
    for (const plat::Accounts::Account& account : plat::Accounts::users()) {
        if (!systemAccounts && (account.name.startsWith(QLatin1Char('_')) || plat::Accounts::isSystemUser(account.id)))
            continue;
        titles.append(accountTitle(account));
    }
    return titles;
}

std::optional<QStringList> MivOsxFileData::availableGroups(bool systemAccounts) const
{
    QStringList titles;
    for (const plat::Accounts::Account& account : plat::Accounts::groups()) {
        if (!systemAccounts && (account.name.startsWith(QLatin1Char('_')) || plat::Accounts::isSystemGroup(account.id)))
            continue;
        titles.append(accountTitle(account));
    }
    return titles;
}

QVariant MivOsxFileData::valForAttr(const QString& attribute, const QVariantMap& attrs)
{
    const QVariant value = attrs.value(attribute);
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        const QVariantList values = value.toList();
        return values.isEmpty() ? QVariant() : values.first();
    }
    return value;
}

// --- Tags and label ---

void MivOsxFileData::setTags(const QStringList& tags)
{
    MivUrlFileData::setTags(QStringList());
    MivUrlFileData::setLabelNumber(std::nullopt);
    setBit(TagsRead | LabelRead, false);
    // Commas separate tags in the attribute; a tag cannot carry one.
    QStringList clean;
    for (const QString& tag : tags) {
        const QString trimmed = QString(tag).remove(QLatin1Char(',')).trimmed();
        if (!trimmed.isEmpty())
            clean.append(trimmed);
    }
    writeEntryAttribute(sourcePath(), "user.xdg.tags", clean.join(QLatin1Char(',')).toUtf8());
}

void MivOsxFileData::setLabelNumber(const std::optional<qint64>& labelNumber)
{
    MivUrlFileData::setLabelNumber(std::nullopt);
    MivUrlFileData::setTags(QStringList());
    setBit(TagsRead | LabelRead, false);
    const qint64 label = labelNumber.value_or(0);
    writeEntryAttribute(sourcePath(), "user.mivo.label", label ? QByteArray::number(label) : QByteArray());
}
