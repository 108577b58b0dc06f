#pragma once

#include "FileData/IMivLinkSupport.h"
#include "FileData/IMivLocalFile.h"
#include "FileData/IMivVolumeProvider.h"
#include "FileData/Local/MivDirectoryEnumerator.h"
#include "FileData/Local/MivOsxFileAttributes.h"
#include "FileData/MivUrlFileData.h"

#include <QDateTime>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

// The item of the local file system: a file, folder, symbolic link (or, on
// systems that have them, package or alias) on a mounted volume.
//
// One refresh reads the entry with one statx (two for a link) into an
// immutable attribute snapshot that replaces the previous one atomically;
// the size, dates, mode, owner, group and identity getters answer from it
// without a lock. Flags read on first use (readable, writable, executable,
// deletable), the type (MIME name and comment), tags and label are filled
// lazily and marked, so a read that found nothing is not repeated.
//
// Packages and aliases have no Linux meaning: filePackage and alias stay
// false and resolveAliasFile finds nothing, so callers take the paths the
// model gives for plain files and folders.
class MivOsxFileData : public MivUrlFileData,
                       public virtual IMivLocalFile,
                       public virtual IMivLinkSupport,
                       public virtual IMivVolumeProvider
{
public:
    explicit MivOsxFileData(const QUrl& url);
    // Made from its path (createWithPath): no URL is built or decoded.
    explicit MivOsxFileData(const LocalPath& local) : MivUrlFileData(local) {}
    ~MivOsxFileData() override;

    // --- Attribute snapshot ---
    MivOsxFileAttributesPtr attributes() const;
    // Hands in a status read already taken (the item cache's lookup, a
    // listing's enumeration): the next refresh uses it instead of reading
    // the entry again. Stored at once, so getters answer from it before.
    void adoptAttributes(const MivOsxFileAttributesPtr& attributes);
    // A refresh with that status read.
    void refreshWithAttributes(const MivOsxFileAttributesPtr& attributes);

    // --- Own properties ---
    bool alias() const;
    bool filePackage() const;
    bool remote() const;
    void setRemote(bool remote);
    bool showContentAllowed() const override;
    void setShowContentAllowed(bool allowed);

    // --- Flags and capabilities ---
    bool exists() const override;
    bool readable() const override;
    bool writable() const override;
    bool executable() const override;
    bool deletable() const override;
    bool isFolder() const override;
    int sortKey() const override;
    bool isLocked() const override;
    bool canSetUserAndGroup() const override;
    bool canSetPermissions() const override;
    bool canSetModDate() const override;
    bool shouldRename() const override;
    bool renameOverwriteEnabled() const override;

    // --- Attributes ---
    QStringList tags() const override;
    std::optional<qint64> labelNumber() const override;
    QDateTime modificationDate() const override;
    void setModificationDate(const QDateTime& date) override;
    QString owner() const override;
    QString group() const override;
    std::optional<qint64> posix() const override;
    QString utiType() const override;
    QString type() const override;
    MivIconDescriptorPtr icon() const override;
    QVariant fileIdent() const override;

    // --- Readers the other local operations call ---
    // "user" and "group" ("name (id)") and "posix" (the full mode) of the
    // entry the path leads to (links followed); empty for an empty path or
    // an entry that cannot be read.
    static QVariantMap resolveStatDataForPath(const QString& path);
    void resolveStatData();
    // Stores a mode and tells the base that the permissions changed.
    void setSuperPosix(const std::optional<qint64>& posix);
    // "type" (MIME name) and "typename" (its comment) by the name of the
    // entry (of its target for a link); empty for a dangling link. Content
    // is read only when byContent is set and the name tells nothing.
    QVariantMap resolveTypeInfo(bool byContent = false) const;
    void updateTypeInfo(const std::optional<QVariantMap>& typeInfo);
    // "accessTime", "stateChgTime", "createTime" from the snapshot, whole
    // seconds; empty for an item without a path.
    QVariantMap processDates() const;
    // Only while the item has no identity: the given one, else the snapshot's.
    void updateFileIdent(const QVariant& ident);

    // Attribute marks ("deletable", "executable", "readable", "writable",
    // "creationDate", "lastAccessDate", "addedDate", "utiType").
    void addAttr(const QString& name);
    void removeAttr(const QString& name);
    bool containsAttr(const QString& name) const;

    // --- Refresh and cache ---
    void refresh() override;
    void refreshBaseData();
    void clearCache() override;
    void setFileURL(const QUrl& url) override;
    void setLoaded(bool loaded) override;
    bool updateFolderSizeState() override;

    // --- Identity ---
    quint64 hash() const override;
    bool isEqual(const MivFileData* other) const override;

    // --- Items inside a mounted share ---
    void setBlocked(bool blocked) override;
    void close() override;

    // --- Icons ---
    void initIcon() override;
    bool imageNotResolved() const override;
    MivIconDescriptorPtr loadDefaultIcon() const;
    MivIconDescriptorPtr resolveIcon() const override;
    void updateDefaultIcon();
    MivIconDescriptorPtr resolveLinkIconForImage(const MivIconDescriptorPtr& image) const override;

    bool doOpen() override;

    // --- Folder listing (MivOsxFileData_Listing.cpp) ---
    // Lists the folder (the link's target for a link) with getdents64 and
    // makes its children from the local item cache, reading each entry's
    // status once, in parallel, in batches of kListingBatchSize. Children
    // come in the order the folder lists them. False on any listing error
    // (in errorRes, or presented); nothing is added then.
    static constexpr int kListingBatchSize = 151;
    static constexpr int kListingParallelThreshold = 50;
    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override;
    bool enumerateFilesAndProcessInBatchesToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                                                  const MivFileCallback& callback, plat::Error* errorRes);
    std::unique_ptr<MivDirectoryEnumerator> directoryEnumeratorParams(const MivListFilesParams& params, bool urlsOnly,
                                                                      const MivDirectoryEnumerator::ErrorHandler& errorHandler);
    // The same for a folder path already resolved (empty: none).
    std::unique_ptr<MivDirectoryEnumerator> directoryEnumeratorForFolder(const QString& folder,
                                                                         const MivListFilesParams& params,
                                                                         const MivDirectoryEnumerator::ErrorHandler& errorHandler);
    // The listed folder held open while its entries are read: an entry's
    // status is read relative to it, since a read by the whole path walks
    // every folder above the entry again. Entries whose name starts at
    // prefixLength in their path are its own; others (of a flat listing's
    // subfolders) and a folder without a descriptor are read by path.
    struct ListedFolder
    {
        int fd = -1;
        qsizetype prefixLength = -1;
    };
    // Makes the children of listed entries, kept in the entries' order;
    // kListingParallelThreshold or more at once in a parallel loop unless
    // inParallel is false (a batch the listing's queue runs beside others).
    QList<MivFileDataPtr> loadFileData(const std::vector<MivDirectoryEntry>& entries, const MivListFilesParams& params,
                                       const MivFileCallback& callback, bool inParallel, ListedFolder folder);
    void loadElementForData(const MivFileDataPtr& child, const std::optional<plat::SortDescriptor>& sort,
                            const MivFileCallback& callback);
    void loadElementForData(const MivFileDataPtr& child, const std::optional<plat::SortDescriptor>& sort);
    // The same with this folder's own pointer at hand (null when it has
    // none): a listing takes it once, not once per child.
    void loadElementForDataUnder(const MivFileDataPtr& child, const std::optional<plat::SortDescriptor>& sort,
                                 const MivFileDataPtr& self);
    // The child for a listed entry (its status read here), or null when it
    // is gone or hidden and hidden entries are not wanted.
    MivFileDataPtr createDataObject(const MivDirectoryEntry& entry, bool includingHidden, ListedFolder folder);
    MivFileDataPtr createDataObject(const QUrl& url, bool includingHidden);
    bool handleListElementsError(const plat::Error& error, QObject* panel, plat::Error* errorRes);
    QList<QUrl> listURLElements(bool hidden, bool incFiles, plat::Error* errorRes) override;
    MivFileDataPtr createChild(const QString& name, bool folder) override;
    void reloadData();

    // --- Lazy attributes (MivOsxFileData_LazyLoad.cpp) ---
    bool refreshForSortDescriptor(const std::optional<plat::SortDescriptor>& sortDescriptor) override;
    MivLazyLoadDataPtr prepareForLazyLoad(const QString& sortKey, const QSet<QString>& hidden) override;
    void lazyLoadData(const MivLazyLoadDataPtr& lazyData) override;
    void requestDataForFileInfo() override;
    void updateAddedDate(const QDateTime& date);
    void updateCreationDate(const QDateTime& date);
    void updateLastAccessDate(const QDateTime& date);
    // Invalid when the entry has none (no added date exists here).
    QDateTime resolveDateAdded() const;
    QDateTime resolveCreationDate() const;
    QDateTime resolveLastAccessDate() const;

    // --- Links and aliases ---
    // The target of an alias file: none here (no aliases on Linux).
    QUrl resolveAliasFile() const;
    MivFileDataPtr resolveLink() override;
    MivFileDataPtr createSymbolicLinkWithName(const QString& name, const QString& withDestinationPath,
                                              const MivFileDataPtr& destinationData, const MivCopyContextPtr& context,
                                              plat::Error* error) override;

    // --- Changes to the file system (MivOsxFileData_Changes.cpp) ---
    // An empty file or a folder inside this folder; never over an existing
    // entry (-31 "File with name '%@' already exists in current folder").
    MivFileDataPtr makeFileWithName(const QString& name, plat::Error* error) override;
    MivFileDataPtr makeFolderWithName(const QString& name, plat::Error* error) override;
    // Renames by full paths: the item's own and its real folder's with the
    // new name (the path codec keeps any byte name).
    bool rename(const QString& newName, bool withRefresh, plat::Error* error) override;
    bool rename(const QString& fromPath, const QString& toPath, bool withRefresh, plat::Error* error) override;
    void refreshNePathAfterRename(const QString& path);
    // True when the target path reaches this very entry (same device and
    // inode) under another spelling: a change of letter case on a volume
    // that ignores case, or another link to the same file. Only then is a
    // rename onto an existing name no overwrite.
    bool isSameEntryAtPath(const QString& path) const;
    // Moves the entry to the desktop's trash; the item then stands for the
    // trashed file. A null error on success.
    plat::Error trash();
    plat::Error remove() override;
    // Mode (applied when one of the nine permission bits is set), dates,
    // file type, owner and group titles; null values are left alone.
    bool updateAttributes(const std::optional<qint64>& posix, const QDateTime& creationDate,
                          const QDateTime& modificationDate, const QString& fileType, const QString& uuid,
                          const QString& guid, plat::Error* error);
    void updateModDate(const QDateTime& date) override;
    bool applyModDate(const QDateTime& date, plat::Error* error) override;
    bool updatePosix(const std::optional<qint64>& posix, const QString& userID, const QString& groupID,
                     plat::Error* error) override;
    // Changes the mode on disk (the stored value is only the cache of it).
    void setPosix(const std::optional<qint64>& posix) override;
    // The id and the name of a title "name (id): real name".
    static std::optional<std::pair<qint64, QString>> recordIdForTitle(const QString& title);
    std::optional<QStringList> availableUsers(bool systemAccounts) const override;
    std::optional<QStringList> availableGroups(bool systemAccounts) const override;
    // The first value of an attribute whose value is a list (or the value).
    static QVariant valForAttr(const QString& attribute, const QVariantMap& attrs);
    // Write the extended attributes; the next read takes them from disk.
    void setTags(const QStringList& tags) override;
    void setLabelNumber(const std::optional<qint64>& labelNumber) override;

    // --- Copy side and volume sizes (MivOsxFileData_Copy.cpp) ---
    // The writer replaces an existing file only once the copy succeeded.
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override;
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override;
    using MivDefaultCopyFileData::copyAttributes;
    bool copyAttributes(const MivFileDataPtr& source, bool perms, const MivCopyContextPtr& context,
                        plat::Error* error) override;
    // Releases the advisory locks (and descriptors) listed under "locks".
    void closeContext(const MivCopyContextPtr& context) override;
    std::shared_ptr<IMivVolumeInfo> resolveVolumeInfo() override;
    // Bytes of the item's volume (statvfs of its path); none without a path
    // or when the volume cannot be read.
    std::optional<qint64> fileSystemAvailableSize() const;
    std::optional<qint64> fileSystemFreeSize() const;
    std::optional<qint64> fileSystemSize() const;

private:
    enum Bit : quint32 {
        Deletable = 1u << 0,
        Executable = 1u << 1,
        Readable = 1u << 2,
        Writable = 1u << 3,
        Alias = 1u << 4,
        Remote = 1u << 5,
        ShowContentAllowed = 1u << 6,
        FilePackage = 1u << 7,
        // Attribute marks.
        MarkDeletable = 1u << 8,
        MarkExecutable = 1u << 9,
        MarkReadable = 1u << 10,
        MarkWritable = 1u << 11,
        MarkCreationDate = 1u << 12,
        MarkLastAccessDate = 1u << 13,
        MarkAddedDate = 1u << 14,
        MarkUtiType = 1u << 15,
        // Tags and label were read since the last refresh.
        TagsRead = 1u << 16,
        LabelRead = 1u << 17,
        // The snapshot was handed in and not yet used by a refresh.
        AttributesPending = 1u << 18,
    };
    static quint32 markBit(const QString& name);
    bool hasBit(quint32 bit) const { return (_bits.load(std::memory_order_acquire) & bit) != 0; }
    void setBit(quint32 bit, bool on) const;
    // The snapshot, read on first use when no refresh made one yet.
    MivOsxFileAttributesPtr currentAttributes() const;
    // The stored flag, reading and marking it on first use.
    bool lazyFlag(quint32 valueBit, quint32 markBit, bool (MivOsxFileData::*read)() const) const;
    bool readReadable() const;
    bool readWritable() const;
    bool readExecutable() const;
    bool readDeletable() const;
    void storeAttributes(MivOsxFileAttributesPtr attributes);
    // The item has a URL (or path) at all.
    bool hasAddress() const;
    // The path of the entry's URL; null without a URL.
    QString itemPath() const;
    // The path the content comes from: the link path when there is one.
    QString contentPath() const;
    MivIconDescriptorPtr placeholderIcon() const;
    void findLinkTarget(const QString& path, const MivOsxFileAttributes& attributes);

    // Filled on first use by const getters too, hence mutable. The word of
    // bits comes first: it fits in the tail of the base's small fields,
    // which every listed item would otherwise pay as padding.
    mutable std::atomic<quint32> _bits{0};
    mutable std::atomic<std::shared_ptr<const MivOsxFileAttributes>> _attributes;
};
