#pragma once

#include "FileData/IMivFile.h"
#include "FileData/MivFileDataTypes.h"
#include "platform/StripedLocks.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class IMivCalculateSizeDelegate;
class IMivFileDataUpdateDelegate;
class MivColorDefinition;
class MivRunloopOperation;
class IMivFileWatcherContextDelegate;
class QMimeData;

namespace plat {
class Error;
class Operation;
}

// The private pasteboard type of items.
inline constexpr const char* MivFileDataPboardType = "MivFileDataPboardType";

// The base of every file item. It holds the attributes all kinds share and
// answers every operation with a neutral default; each kind overrides what
// it supports.
//
// Threads: one item object is shared by every panel that shows it, while
// listing, lazy-load and size workers fill it. Every mutable field is read
// and written only through its accessor: text, date, list and pointer fields
// under the item's stripe of plat::StripedLocks (held just for the copy; a
// getter answers a copy), flags and sizes as atomics. The blocked counter is
// a field under the same stripe; the item's monitor (for the permission
// snapshot) is its stripe of the recursive table. No overridable operation
// runs under either: values are computed first, then stored under the lock.
//
// Memory: a folder may list hundreds of thousands of items, so an item keeps
// inline only what every listed item has (name, parent, icon, sizes, flags)
// and the rest in one side structure made on the first write of one of its
// fields. The display name and the extension are derived from the name
// unless they were set to something else.
//
// Ownership: an item owns its parent and its panel parent; nothing points
// from a folder to its children. Watchers are held weakly.
//
// Creation is two-phase: the constructor only sets fields; whatever must
// call overridable operations runs after construction (factory or create()).
class MivFileData : public virtual IMivFile, public std::enable_shared_from_this<MivFileData>
{
public:
    // Size markers held in size().
    static constexpr qint64 kSizeNewItem = -101;           // nothing known yet; shown empty
    static constexpr qint64 kSizeCalculating = -100;       // folder size calculation under way; "--"
    static constexpr qint64 kSizeFolderNotCounted = -99;   // "<DIR>"
    static constexpr qint64 kSizeLinkToFolder = -98;       // "<LNK>"
    static constexpr qint64 kSizeNotCalculated = -2;       // a package; "---"
    static constexpr qint64 kSizeUpFolder = -1;            // the ".." row; shown empty

    MivFileData();
    ~MivFileData() override;

    // Makes an item in two phases: the constructor only sets fields, then
    // didCreate runs the steps that call overridable operations (a root
    // refreshes itself when made). Kinds are made through here.
    template <class T, class... Args>
    static std::shared_ptr<T> makeItem(Args&&... args)
    {
        auto item = std::make_shared<T>(std::forward<Args>(args)...);
        static_cast<MivFileData*>(item.get())->didCreate();
        return item;
    }
    MivFileData(const MivFileData&) = delete;
    MivFileData& operator=(const MivFileData&) = delete;

    // --- Extension slots: later subsystems fill these for every item ---
    // Runs a back-end request on a new background operation queue
    // ("com.quorvex.run-loop-operation-queue") and waits until it has
    // finished (turning the main loop meanwhile on the main thread). Its
    // error goes to errorRes, or without one is presented; NO then. No
    // operation: NO, with an error in errorRes.
    virtual bool performOperation(const std::shared_ptr<MivRunloopOperation>& operation, plat::Error* errorRes);
    // The ".." row answers YES.
    virtual bool isUpFolderData() const;
    // The thumbnail view's item: identity, representation and its kind,
    // version and title. Null / 0 here: the item has no thumbnail.
    virtual QString imageUID() const;
    virtual QString imageRepresentationType() const;
    virtual QVariant imageRepresentation() const;
    virtual quint64 imageVersion() const;
    virtual QString imageTitle() const;
    // Every item can be selected in the thumbnail view unless a kind says not.
    virtual bool isSelectable() const;
    // The colouring rules: the row colour (invalid: none) and whether one
    // rule's definition matches the item. NO here.
    virtual QColor calculateColor();
    virtual bool checkColorDefinition(const std::shared_ptr<const MivColorDefinition>& definition, const QString& against,
                                      const PermsDataPtr& perms);

    // --- Identity (the platform's object identity; URL and local items override) ---
    virtual bool isEqual(const MivFileData* other) const;
    virtual quint64 hash() const;
    virtual QString description() const;

    // --- Lazy loading (common behaviour) ---
    virtual bool refreshForSortDescriptor(const std::optional<plat::SortDescriptor>& sortDescriptor);
    virtual void updateLazyLoadedData(const MivLazyLoadDataPtr& lazyData);
    virtual MivLazyLoadDataPtr doLazyLoad(const QString& sortKey, const QSet<QString>& hidden);
    virtual MivLazyLoadDataPtr prepareForLazyLoad(const QString& sortKey, const QSet<QString>& hidden);
    quint64 baseHashNumber() const;
    // The stored parent, without the resolution parent() does in subclasses.
    MivFileDataPtr parentProperty() const;
    virtual void lazyLoadData(const MivLazyLoadDataPtr& lazyData);

    // --- Keys ---
    QString pathKey() const override;
    QString fullSavingKey() const override;
    QString savingKey() const override;

    // --- Rename and make rules ---
    bool renameOverwriteEnabled() const override;
    virtual bool makeFolderAllowed() const;
    virtual bool makeFileAllowed() const;
    virtual bool showContentAllowed() const;
    virtual bool renameAllowed() const;
    void close() override;
    MivFileDataPtr createChild(const QString& name, bool folder) override;
    virtual bool checkNameBeforeRename(const QString& newName) const;
    virtual bool canSetUserAndGroup() const;
    virtual bool canSetPermissions() const;
    virtual bool canSetModDate() const;
    // Null: the rename field starts with the last component of sourcePath.
    virtual QString originalNameForRename() const;
    virtual bool emptyFileNameAllowed() const;
    virtual bool shouldRename() const;
    virtual bool rename(const QString& newName, bool withRefresh, plat::Error* error);
    MivFileDataPtr makeFileWithName(const QString& name, plat::Error* error) override;
    MivFileDataPtr makeFolderWithName(const QString& name, plat::Error* error) override;

    // --- Capabilities and kind ---
    bool executable() const override;
    bool deletable() const override;
    bool readable() const override;
    bool writable() const override;
    bool hidden() const override;
    bool link() const override;
    bool folder() const override;
    bool exists() const override;
    int sortKey() const override;
    QString folderNameSortKey() const override;
    QString displayInfo() const override;
    QString sourcePath() const override;
    QString realPath() const override;

    // --- Blocking change notices while an operation works in the folder ---
    virtual bool blocked() const;
    virtual void setBlocked(bool blocked);

    // --- Permissions dialog: absent lists mean "no list" ---
    virtual std::optional<QStringList> availableUsers(bool systemAccounts) const;
    virtual std::optional<QStringList> availableGroups(bool systemAccounts) const;

    virtual QString nameForContext() const;
    virtual QByteArray bytes(quint64 count);
    virtual QString contextPath();
    // Tells the watching panels that the content changed.
    virtual void refreshContextView(const MivFileDataPtr& selection);
    virtual bool isFolder() const;
    // YES when the item adopts IMivLocalFile.
    bool isLocalFile() const;
    // isLocalFile, and the item is a URL item.
    bool isLocalURLFile() const;
    virtual void resolveExtension();
    void clearCache() override;
    void refresh() override;

    // --- Icons ---
    virtual void lazyLoadIcon();
    virtual MivIconDescriptorPtr resolveLinkIconForImage(const MivIconDescriptorPtr& image) const;
    virtual void initIcon();

    // The stored values, without the lazy reading subclasses' getters do.
    QStringList pureTags() const;
    std::optional<qint64> pureLabelNumber() const;
    QString pureName() const;

    virtual void updateName(const QString& name);
    void setName(const QString& name) override;
    // Hook before an info panel shows the item.
    virtual void requestDataForFileInfo();

    // --- Sizes ---
    quint64 calculateSize();
    virtual bool updateFolderSizeState();
    void updateSizeInBackground(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate);
    virtual void updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate);
    virtual void updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate, bool inBackground);
    virtual quint64 calculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate);
    virtual qint64 doCalculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate);

    void initializeDataIcon() override;
    virtual bool imageNotResolved() const;
    virtual MivIconDescriptorPtr resolveIcon() const;
    virtual void updateIconImage(const MivIconDescriptorPtr& icon);

    // --- Summary and permissions ---
    virtual QString shortInfo();
    virtual PermsDataPtr perms();
    void permsUpdated();
    virtual void updateModDate(const QDateTime& date);
    // updateModDate that tells whether the date was set. An item that cannot
    // take a date is left alone and counts as done.
    virtual bool applyModDate(const QDateTime& date, plat::Error* error);
    // Owner and group are the permissions dialog's titles ("name (id): real name");
    // null titles leave them as they are.
    virtual bool updatePosix(const std::optional<qint64>& posix, const QString& userID, const QString& groupID,
                             plat::Error* error);
    void setPosix(const std::optional<qint64>& posix) override;

    // YES when opening is handled here (a file); NO lets the panel enter (a folder).
    virtual bool doOpen();
    bool activate() override;

    // --- Listing ---
    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override;
    QList<MivFileDataPtr> listElements(bool hidden, const std::optional<plat::SortDescriptor>& sortData,
                                       const MivFileCallback& callback, plat::Error* errorRes) override;
    QList<MivFileDataPtr> listElements(bool hidden, const MivFileCallback& callback, plat::Error* errorRes) override;

    // --- Pasteboard (items are never made from the pasteboard) ---
    virtual QStringList writableTypesForPasteboard(const QMimeData* pasteboard) const;
    virtual int writingOptionsForType(const QString& type, const QMimeData* pasteboard) const;
    virtual QVariant pasteboardPropertyListForType(const QString& type) const;
    static QStringList readableTypesForPasteboard(const QMimeData* pasteboard);
    static int readingOptionsForType(const QString& type, const QMimeData* pasteboard);
    static MivFileDataPtr createWithPasteboardPropertyList(const QVariant& propertyList, const QString& type);

    // --- Stored fields ---
    virtual bool loaded() const;
    virtual void setLoaded(bool loaded);
    virtual bool processLoading() const;
    virtual void setProcessLoading(bool processLoading);
    virtual bool refreshed() const;
    virtual void setRefreshed(bool refreshed);
    virtual QString displayName() const;
    virtual QString tooltip() const;
    virtual void setTooltip(const QString& tooltip);
    virtual QByteArray headerData() const;
    virtual void setHeaderData(const QByteArray& headerData);
    std::optional<qint64> posix() const override;
    virtual QList<std::weak_ptr<IMivFileWatcherContextDelegate>> watchedDelegates() const;
    virtual void setWatchedDelegates(const QList<std::weak_ptr<IMivFileWatcherContextDelegate>>& watchedDelegates);
    // The watcher list is a mutable array its users change in place; these
    // change it under the field lock. Adding a watcher twice keeps one entry.
    void addWatchedDelegate(const std::shared_ptr<IMivFileWatcherContextDelegate>& watcher);
    void removeWatchedDelegate(const std::shared_ptr<IMivFileWatcherContextDelegate>& watcher);
    virtual bool calulatingSize() const;
    virtual void setCalulatingSize(bool calulatingSize);
    QVariant fileIdent() const override;
    void setFileIdent(const QVariant& fileIdent) override;
    std::optional<qint64> labelNumber() const override;
    void setLabelNumber(const std::optional<qint64>& labelNumber) override;
    QStringList tags() const override;
    void setTags(const QStringList& tags) override;
    QString owner() const override;
    void setOwner(const QString& owner) override;
    QString group() const override;
    void setGroup(const QString& group) override;
    QString extenssion() const override;
    void setExtenssion(const QString& extenssion) override;
    QString name() const override;
    MivIconDescriptorPtr icon() const override;
    void setIcon(const MivIconDescriptorPtr& icon) override;
    QString type() const override;
    void setType(const QString& type) override;
    qint64 size() const override;
    void setSize(qint64 size) override;
    qint64 physicalSize() const override;
    void setPhysicalSize(qint64 physicalSize) override;
    QString utiType() const override;
    void setUtiType(const QString& utiType) override;
    QDateTime addedDate() const override;
    void setAddedDate(const QDateTime& date) override;
    QDateTime stateChangeDate() const override;
    void setStateChangeDate(const QDateTime& date) override;
    QDateTime lastAccessDate() const override;
    void setLastAccessDate(const QDateTime& date) override;
    QDateTime creationDate() const override;
    void setCreationDate(const QDateTime& date) override;
    QDateTime modificationDate() const override;
    void setModificationDate(const QDateTime& date) override;
    virtual MivFileDataPtr parent() const;
    virtual void setParent(const MivFileDataPtr& parent);
    virtual MivFileDataPtr uiParent() const;
    virtual void setUiParent(const MivFileDataPtr& uiParent);
    QString linkPath() const override;
    void setLinkPath(const QString& linkPath) override;
    virtual QColor defColor() const;
    virtual void setDefColor(const QColor& defColor);
    virtual void setShortInfo(const QString& shortInfo);

protected:
    // The second phase of creation (see makeItem); nothing in the base.
    virtual void didCreate() {}

    // The item's monitor: the recursive lock the model names for the
    // permission snapshot (and, in URL items, the path key).
    std::recursive_mutex& monitor() const { return plat::StripedLocks::recursiveForAddress(this); }

    // Field access under this item's stripe lock. Never call into another
    // item or post to another thread while a stripe lock is held.
    template <class T>
    T readField(const T& field) const
    {
        return plat::StripedLocks::read(this, field);
    }
    template <class T>
    void writeField(T& field, T value)
    {
        plat::StripedLocks::write(this, field, std::move(value));
    }

    void setDisplayName(const QString& displayName);
    // Called by updateName, with no lock held, before the name changes: a
    // kind that derives something from the name keeps its value first.
    virtual void willChangeName() {}
    // updateName without that call, for constructors.
    void storeName(const QString& name);
    // The name field itself; only under this item's stripe lock.
    const QString& nameField() const { return _name; }
    QString ctxPath() const;
    // The operation the current thread works for has been cancelled.
    static bool hasCancelledOperation();
    // This item as a shared pointer; null for an item no shared_ptr owns.
    MivFileDataPtr selfPtr();
    void setCtxPath(const QString& ctxPath);
    QString storedShortInfo() const;
    PermsDataPtr permsData() const;
    void setPermsData(const PermsDataPtr& permsData);

private:
    // The fields most items never set, allocated on the first write of one
    // (defined with the accessors in MivFileData.cpp).
    struct SideFields;
    template <class T>
    T readSide(T SideFields::*field) const;
    template <class T>
    void writeSide(T SideFields::*field, T value);

    // How the display name and the extension follow the name, so the common
    // case stores no second string (under the stripe lock, with _name).
    enum class DisplayNameSource : quint8 { Stored, Name, NameWithoutExtension };
    enum class ExtensionSource : quint8 { Stored, Name };

    // Inline: what every listed item has. Guarded by the stripe lock unless atomic.
    QString _name;
    MivFileDataPtr _parent;
    MivFileDataPtr _uiParent;  // every listing sets it: in the side structure it made one per item
    MivIconDescriptorPtr _icon;
    std::unique_ptr<SideFields> _side;
    std::atomic<qint64> _size{kSizeNewItem};
    std::atomic<qint64> _physicalSize{0};
    qint32 _blockedCounter = 0;
    // Counts the drops of the permission snapshot (under the monitor), so a
    // snapshot made while a refresh dropped the old one is not stored.
    quint32 _permsGeneration = 0;
    std::atomic<bool> _loaded{false};
    std::atomic<bool> _processLoading{false};
    std::atomic<bool> _refreshed{false};
    std::atomic<bool> _calulatingSize{false};
    DisplayNameSource _displayNameSource = DisplayNameSource::Stored;
    ExtensionSource _extensionSource = ExtensionSource::Stored;
};
