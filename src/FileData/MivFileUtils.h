#pragma once

#include "FileData/IMivChecksumCalcDelegate.h"
#include "FileData/MivFileDataTypes.h"
#include "platform/ReplacingFile.h"
#include "platform/SortDescriptor.h"

#include <QString>
#include <QUrl>

#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <sys/types.h>

namespace plat {
class Error;
}
class SLDisk;
class SLDiskManager;
class SLVolume;

// Small file services: temporary files and folders, derived names and
// relative paths, credentials removed from URL-like paths, shared icons,
// item tests, checksums, and the drive volumes (the one piece with state:
// the last volume list and the disk manager). Class
// operations only; the implementation is split by concern
// (MivFileUtils_<Concern>.cpp). Failures answer a null string.
class MivFileUtils
{
public:
    MivFileUtils() = delete;

    // --- Temporary files and paths (MivFileUtils_Paths.cpp) ---

    // Prefix of every temporary file and folder the program makes.
    static constexpr const char* kTemporaryPrefix = plat::ReplacingFile::kTemporaryPrefix;
    // Goes before the extension of a name chosen for an overwrite conflict.
    static constexpr const char* kOverwriteRenameSuffix = "-cpy";

    // A new UUID in its 36-character upper-case form.
    static QString calculateUUID();
    // The temporary folder joined with "<prefix>-<UUID>"; nothing is created.
    static QString pathForTemporaryFileWithPrefix(const QString& prefix);
    // Creates a new empty file (mode 0600) or folder (mode 0700) under a
    // "mivo-tmp-<UUID>" name in the temporary folder, exclusively: an
    // existing name is never reused. Null when the system refuses. The
    // auto-dealloc flag has no effect: whoever asked removes the result.
    static QString createLocalTempFile(bool folder, bool withAutoDealloc);
    static QString createLocalTempDir();

    // "report.txt" -> "report-cpy.txt", "archive.tar.gz" -> "archive.tar-cpy.gz",
    // ".profile" -> ".profile-cpy"; whether the name is free is not checked.
    static QString resolveNameForOverwriteRename(const QString& name);
    // The extension of the last path component; null when it has none.
    static QString resolveExtension(const QString& path);
    // Up to size first bytes of the file, for telling its type by content;
    // null when it cannot be read (an empty file gives an empty, non-null
    // head). Never waits on a FIFO or a device.
    static QByteArray readFileHead(const QString& path, qsizetype size = 16384);
    // The same as views into the path, for comparing without copies: the
    // extension (empty where resolveExtension answers null), and the path
    // without its trailing slashes and its extension (what
    // PathString::deletingPathExtension answers).
    static QStringView extensionView(QStringView path);
    static QStringView stemView(QStringView path);
    // The local path of a file URL (through the lossless path codec); the
    // decoded path of any other URL; null for an empty URL.
    static QString resolvePath(const QUrl& url);
    // An item's path; null for no item. A template so this header need not
    // know the item class.
    template<typename Item>
    static QString resolvePath(const std::shared_ptr<Item>& item)
    {
        return item ? item->path() : QString();
    }
    // The absolute real path (tilde expanded, standardised, every component
    // existing, symbolic links resolved); null when it cannot be resolved.
    static QString resolveRelativePath(const QString& path);
    // The path relative to the base when the base is a leading part of the
    // path that ends at a component boundary ("/Users/a/docs/x.txt" with
    // "/Users/a" -> "docs/x.txt", with "/" -> "Users/a/docs/x.txt", the base
    // itself -> ""); null otherwise ("/Users/ab/x" is not under "/Users/a").
    static QString resolveRelativePathTo(const QString& path, const QString& usingBase);
    // A relative path from the base folder (plus the name as a component,
    // when given) to the path, used to keep copied symbolic links relative:
    // a path under the base gives its rest ("" for the base itself); a path
    // whose parent folder contains the base gives ".." per base component
    // below that parent, then the path's last component; null otherwise.
    static QString relativePathFor(const QString& name, const QString& usingPath, const QString& usingBase);
    // A link target made absolute against the folder holding the link;
    // targets that are null or start with "/" come back unchanged. Not
    // standardised: "." and ".." stay.
    static QString resolveLink(const QString& link, const QString& forPath);
    // The URL-like path without user name and password in front of its host
    // ("smb://user:pw@host/share" -> "smb://host/share"). Only the authority
    // (from "//" to the next "/", "?" or "#") is looked at, so an "@" in the
    // path part never costs the host.
    static QString stripUserDataInPath(const QString& path);

    // --- Shared icons (MivFileUtils_Icons.cpp) ---

    // Made once and never replaced; every call answers the same object, so
    // callers may compare by identity (the not-loaded placeholder is).
    static MivIconDescriptorPtr notLoadedImage();
    static MivIconDescriptorPtr fileIconImage();
    // The local item's folder icon and the item base's: equal, not the same object.
    static MivIconDescriptorPtr defaultFolderIconImage();
    static MivIconDescriptorPtr folderIconImage();
    // Sort data for listings that need no sort attribute: its key "##virt##"
    // names no attribute, so nothing extra is loaded for it.
    static const plat::SortDescriptor& virtualSortDescriptor();

    // --- Item tests (MivFileUtils_ItemTests.cpp) ---

    // A remote item (any remote back-end).
    static bool isNetworkFile(const MivFileDataPtr& item);
    // Remote, on a remote or plug-in file system, or a virtual item.
    static bool isSpecialFile(const MivFileDataPtr& item);
    // Shown as a folder: a folder, or an item whose content may be shown.
    static bool isFolder(const MivFileDataPtr& item);
    // activate, exists and isFolder, asked in that order up to the first NO.
    static bool isActiveExistDirectory(const MivFileDataPtr& item);
    // A file URL of a folder. Folders are never packages here.
    static bool isFileDirectoryAtURL(const QUrl& url);
    // Three octal digits for owner, group and others ("755"); higher bits
    // (set-user-ID, sticky, file type) are ignored.
    static QString convertPosixToString(quint64 posix);
    // The file URL of the path an open descriptor refers to; invalid when
    // the system reports none.
    static QUrl urlForFileDescriptor(int fileDescriptor);

    // --- Checksums (MivFileUtils_Checksums.cpp) ---

    // The checksum of an item's bytes, read through its download side in
    // chunks of 65,536 bytes on the calling thread. Kinds: 1 MD5, 2 SHA-1,
    // 3 SHA-256, 4 SHA-512 (lower-case hexadecimal), 5 CRC-32 (8 upper-case
    // hexadecimal digits); any other kind reads the data and answers null.
    // Null too when the item cannot be opened, on an abort or an interim
    // veto, and when a read fails twice (the first failure is retried once
    // from the start; the second goes to the delegate's processError).
    // lastError is the error of an earlier attempt: callers pass none.
    static QString calculateChecksumType(qint32 type, const MivFileDataPtr& forData, const MivCopyContextPtr& withContext,
                                         const MivChecksumEntry& withEntry = {},
                                         IMivChecksumCalcDelegate* usingDelegate = nullptr,
                                         const plat::Error* lastError = nullptr);

    // --- Drive volumes (MivFileUtils_Volumes.cpp) ---

    // The mounted volumes the user sees as drives, as items in the volume
    // list's order: "/", a separate /home, mounts under /media/$USER,
    // /run/media/$USER and /mnt, network file systems and the GVfs share
    // folders; never a pseudo file system. Rebuilt when asked or when there
    // is none yet; callers treat the answer as read-only.
    static QList<MivFileDataPtr> driveVolumes(bool reload = false);
    // The volume listed under the URL; null before the first list and for
    // every other URL. Never rebuilds.
    static std::shared_ptr<const SLVolume> driveVolumeDescription(const QUrl& url);
    // Every volume by its device number (what stat answers as st_dev);
    // rebuilds first when there is none.
    static QMultiHash<dev_t, std::shared_ptr<const SLVolume>> driveVolumeSystemNumberMapping();
    // The volume that holds the file URL, listed or not; null when none.
    static std::shared_ptr<const SLVolume> volumeForURL(const QUrl& url);
    // The one disk manager, made on first use.
    static std::shared_ptr<SLDiskManager> diskManager();
    static std::shared_ptr<SLDisk> diskForVolume(const std::shared_ptr<const SLVolume>& volume);
    // A listed volume other than the startup disk.
    static bool isVolumeRemovable(const QUrl& url);
    // Unmounts, and ejects where the device allows, the volume listed under
    // the URL. The handler is called once, on a background thread, with NO
    // and an error of the program's domain on every failure (a URL without
    // a listed volume too).
    using UnmountHandler = std::function<void(bool success, const plat::Error& error)>;
    static void unmountMediaAt(const QUrl& url, UnmountHandler handler);
    // The same for the drive bar: a failure is presented to the user; a URL
    // without a listed volume does nothing.
    static void unmountMediaAt(const QUrl& url);
    // Plugs the volume list into the item hooks (drive volume description,
    // mounted share base URL, local-volume test). The application's start-up
    // calls it beside the factory's registerHooks.
    static void registerVolumeHooks();
    // Forgets the lists and the disk manager, for tests that change the
    // system roots.
    static void resetVolumesForTesting();
};
