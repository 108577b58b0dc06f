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
class MivUrlFileData : public MivDefaultCopyFileData, public virtual IMivRemovable, public virtual IMivUrlFile
{
public:
    explicit MivUrlFileData(const QUrl& url);

    template <class T>
    static std::shared_ptr<T> createWithURL(const QUrl& url, bool withRefresh = true)
    {
        auto item = std::make_shared<T>(url);
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
    void resolvePathkey();
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
    // Stores the cached hidden flag; for calculateHiddenFlag, which runs
    // under the hidden lock.
    void cacheHiddenFlag(std::optional<bool> hiden) { _hiden = hiden; }

private:
    mutable std::mutex _hidenLock;
    std::mutex _folderLock;
    std::atomic<bool> _folder{false};
    std::atomic<bool> _link{false};
    QUrl _fileURL;
    QUrl _printURL;
    QString _pathkey;
    std::optional<bool> _hiden;  // guarded by _hidenLock
};
