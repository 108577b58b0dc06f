#pragma once

#include "FileData/IMivRemovable.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/MivDefaultCopyFileData.h"

#include <QUrl>

#include <atomic>
#include <mutex>
#include <optional>

// An item addressed by a URL: its name, key and parent come from the URL, it
// compares and hashes by URL, and it renames by sub-paths. The base of the
// local and the remote items.
//
// Made in two phases: createWithURL<T>(url, withRefresh) constructs the item
// with its URL, then runs didCreateWithURL (which refreshes when asked).
//
// A plain file URL ("file://" and an absolute path, nothing else) is kept as
// its path: the path is the key, the source path and the source of the name
// and the parent, and the URL is built from it once, on first request.
// Listings make such items by the hundred thousand, and a read of the name
// or key must not decode a URL. Any other URL is kept as given.
class MivUrlFileData : public MivDefaultCopyFileData, public virtual IMivRemovable, public virtual IMivUrlFile
{
public:
    explicit MivUrlFileData(const QUrl& url);
    // A local item made from its absolute path, without a URL to decode (a
    // relative path is taken as its file URL would take it).
    struct LocalPath
    {
        QString path;
    };
    explicit MivUrlFileData(const LocalPath& local);

    template <class T>
    static std::shared_ptr<T> createWithURL(const QUrl& url, bool withRefresh = true)
    {
        auto item = std::make_shared<T>(url);
        static_cast<MivUrlFileData*>(item.get())->didCreateWithURL(withRefresh);
        return item;
    }
    // The same for a local path; T has a constructor taking LocalPath.
    template <class T>
    static std::shared_ptr<T> createWithPath(const QString& path, bool withRefresh = true)
    {
        auto item = std::make_shared<T>(LocalPath{path});
        static_cast<MivUrlFileData*>(item.get())->didCreateWithURL(withRefresh);
        return item;
    }

    using MivFileData::rename;

    plat::Error remove() override;
    quint64 hash() const override;
    bool isEqual(const MivFileData* other) const override;
    // A new URL: drops the cached attributes and the name, recomputes the key
    // and the description URL, and refreshes the item.
    virtual void setFileURL(const QUrl& url);
    // Recomputes the key from the address. The key is kept current whenever
    // the address changes, so callers need this only after changing what a
    // key is made from.
    void resolvePathkey();
    // The description URL is derived from the address when a description is
    // made; nothing is kept to update.
    void updatePrintURL();
    bool exists() const override;
    bool link() const override;
    void setLink(bool link);
    void setHiden(std::optional<bool> hiden);
    bool hidden() const override;
    void setFolder(bool folder);
    bool folder() const override;
    QUrl realURL() const override;
    QString sourcePath() const override;
    QString displayInfo() const override;
    QString pathKey() const override;
    qint64 doCalculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate) override;
    // The stored parent, without the resolution parent() does.
    MivFileDataPtr assignedParent() const;
    MivFileDataPtr parent() const override;
    // Told about the parent just made for this item; a hook for kinds.
    virtual void updateParentData(const MivFileDataPtr& parent);
    MivFileDataPtr resolveParent();
    MivFileDataPtr resolveParentForURL(const QUrl& url);
    void refresh() override;
    bool renameAllowed() const override;
    // Renames the item from one sub-path to another; the back-ends do it.
    virtual bool rename(const QString& fromSubpath, const QString& toSubpath, bool withRefresh, plat::Error* error);
    QString name() const override;
    bool checkNameBeforeRename(const QString& newName) const override;
    bool rename(const QString& newName, bool withRefresh, plat::Error* error) override;
    // The folder that really holds the item (through search results and roots).
    MivFileDataPtr realParent() const;
    void clearCache() override;
    // A resource value of the URL ("NSURLIsHiddenKey", "NSURLIsDirectoryKey");
    // invalid when it cannot be read.
    QVariant WSSResourceValueForKey(const QString& key, const QUrl& url) const;
    virtual void calculateHiddenFlag();
    QString description() const override;
    QString subpathForPath(const QString& path) const;
    QString subpathForPath(const QString& path, const QString& base) const;
    QUrl suburlForPath(const QString& path) const;
    QUrl suburlForPath(const QString& path, const QString& base) const;
    // The URLs of the folder's children (hidden ones only when asked; folders
    // only without files); what was listed also after an error.
    virtual QList<QUrl> listURLElements(bool hidden, bool incFiles, plat::Error* errorRes);
    QUrl fileURL() const override;

protected:
    // The second phase of creation with a URL.
    virtual void didCreateWithURL(bool withRefresh);
    // Stores the cached hidden flag; for calculateHiddenFlag, which runs with
    // no lock held (it may read the file system).
    void cacheHiddenFlag(std::optional<bool> hiden) const;
    // The item has a path key (!pathKey().isEmpty()), without joining it.
    bool hasPathKey() const;
    // A path derived from the name is kept whole before the name changes.
    void willChangeName() override;

private:
    // The address as one consistent copy.
    struct Address
    {
        // The key; for an item kept as its path, the path, or with leaf
        // set, the path's folder part (null for an entry of the root).
        QString key;
        // With a folder part: the rest of the path (the name).
        QString leaf;
        QUrl url;
        bool fromPath = false;

        // The path key: the path itself for an item kept as its path.
        QString pathKey() const;
        // The path split at its last "/" (false: it has none, all in last),
        // the same however the path is kept.
        bool pathParts(QStringView* folder, QStringView* last) const;
    };
    Address address() const;
    bool hasAddress() const;
    void assignAddress(const QUrl& url);
    void assignPath(const QString& path);
    // The first address and name of a new item: a path whose last part is
    // the name is kept as its folder part, the name giving the rest.
    void initAddress(const QUrl& url);
    void initPath(const QString& path);
    // The item's path as a file URL's, or its URL's decoded path.
    QString itemPath() const;
    bool hiddenByName() const;

    // How the address is kept (under the stripe lock).
    enum class AddressKind : quint8 {
        // _key is the path key, _url the URL as given.
        Url,
        // _key is the path; _url is built from it on first request.
        Path,
        // The same, with _key holding the folder part of the path (before
        // its last "/"; null for an entry of the root) and the name the rest.
        // A listing makes one folder's items at a time, and they share one
        // folder text; the name is stored anyway, so a listed item keeps no
        // text of its own for its path. The whole path is joined when asked,
        // and kept whole before the name changes (willChangeName).
        FolderAndName,
    };

    // Guarded by the stripe lock (with the name, for FolderAndName).
    QString _key;
    mutable QUrl _url;
    AddressKind _kind = AddressKind::Url;
    std::atomic<bool> _folder{false};
    std::atomic<bool> _link{false};
    // kHiddenUnknown until calculated or set.
    static constexpr qint8 kHiddenUnknown = -1;
    mutable std::atomic<qint8> _hiden{kHiddenUnknown};
};
