#pragma once

#include "FileData/MivFileData.h"
#include "FileData/MivListFilesParams.h"
#include "platform/Error.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace mivtest {

// An in-memory file system with folders, files and symbolic links, for the
// back ends that cannot flatten a listing themselves (none of them runs here
// yet). Paths are absolute; a link in the middle of a path is followed, as
// a server would.
class FakeFolderTree : public std::enable_shared_from_this<FakeFolderTree>
{
public:
    // What the back end tells about its items.
    struct Traits
    {
        bool identities = true;  // a file identity per entry (the entry's own, as lstat gives it)
        bool linkPaths = true;   // a link's resolved target
    };

    FakeFolderTree() : FakeFolderTree(Traits()) {}
    explicit FakeFolderTree(Traits traits) : m_traits(traits) { addFolder(QStringLiteral("/")); }

    void addFolder(const QString& path) { add(path, Node{true, {}, {}, m_nextInode++}); }
    void addFile(const QString& path) { add(path, Node{false, {}, {}, m_nextInode++}); }
    void addLink(const QString& path, const QString& target) { add(path, Node{false, {}, target, m_nextInode++}); }
    // Listing the folder fails with an error, or throws.
    void makeUnreadable(const QString& path) { m_nodes[path].unreadable = true; }
    void makeThrowing(const QString& path) { m_nodes[path].throws = true; }
    // Called with the listed path before each listing, on the listing's thread.
    void setListingHook(std::function<void(const QString&)> hook) { m_hook = std::move(hook); }

    int listings() const
    {
        std::lock_guard lock(m_countLock);
        return m_listings;
    }

    MivFileDataPtr item(const QString& path);

    // --- For the items ---
    const Traits& traits() const { return m_traits; }
    // The real path of what the path leads to; links in it are followed, the
    // last one only when asked. Empty when nothing is there.
    QString resolve(const QString& path, bool followLast) const
    {
        QString real = QStringLiteral("/");
        const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            QString next = real == QLatin1String("/") ? real + parts[i] : real + QLatin1Char('/') + parts[i];
            for (int hops = 0; m_nodes.contains(next) && !m_nodes[next].linkTo.isEmpty(); ++hops) {
                if (i == parts.size() - 1 && !followLast)
                    break;
                if (hops > 40)
                    return QString();
                next = m_nodes[next].linkTo;
            }
            if (!m_nodes.contains(next))
                return QString();
            real = next;
        }
        return real;
    }
    bool isFolder(const QString& path) const
    {
        const QString real = resolve(path, true);
        return !real.isEmpty() && m_nodes[real].folder;
    }
    QString linkTarget(const QString& path) const
    {
        const QString entry = resolve(path, false);
        return entry.isEmpty() ? QString() : m_nodes[entry].linkTo;
    }
    quint64 inode(const QString& path) const
    {
        const QString entry = resolve(path, false);
        return entry.isEmpty() ? 0 : m_nodes[entry].inode;
    }
    bool list(const QString& path, QList<MivFileDataPtr>& array, const MivListFilesParams& params,
              const MivFileCallback& callback, plat::Error* errorRes);

private:
    struct Node
    {
        bool folder = false;
        QStringList children;
        QString linkTo;
        quint64 inode = 0;
        bool unreadable = false;
        bool throws = false;
    };

    void add(const QString& path, Node node)
    {
        m_nodes.insert(path, std::move(node));
        if (path == QLatin1String("/"))
            return;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString parent = slash == 0 ? QStringLiteral("/") : path.left(slash);
        m_nodes[parent].children.append(path.mid(slash + 1));
    }

    const Traits m_traits;
    QHash<QString, Node> m_nodes;  // built before the walk; read only during it
    quint64 m_nextInode = 100;
    std::function<void(const QString&)> m_hook;
    mutable std::mutex m_countLock;
    int m_listings = 0;
};

// An item of the fake tree through the real item interface.
class FakeTreeItem : public MivFileData
{
public:
    FakeTreeItem(std::shared_ptr<FakeFolderTree> tree, QString path) : m_tree(std::move(tree)), m_path(std::move(path))
    {
        storeName(m_path.mid(m_path.lastIndexOf(QLatin1Char('/')) + 1));
    }

    bool folder() const override { return m_tree->isFolder(m_path); }
    bool hidden() const override { return name().startsWith(QLatin1Char('.')); }
    bool link() const override { return !m_tree->linkTarget(m_path).isEmpty(); }
    QString sourcePath() const override { return m_path; }
    QString pathKey() const override { return m_path; }
    QString linkPath() const override { return m_tree->traits().linkPaths ? m_tree->linkTarget(m_path) : QString(); }
    QVariant fileIdent() const override
    {
        return m_tree->traits().identities ? QVariant::fromValue<qint64>(qint64(m_tree->inode(m_path))) : QVariant();
    }
    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override
    {
        return m_tree->list(m_path, array, params, callback, errorRes);
    }

private:
    const std::shared_ptr<FakeFolderTree> m_tree;
    const QString m_path;
};

inline MivFileDataPtr FakeFolderTree::item(const QString& path)
{
    return MivFileData::makeItem<FakeTreeItem>(shared_from_this(), path);
}

inline bool FakeFolderTree::list(const QString& path, QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                                 const MivFileCallback& callback, plat::Error* errorRes)
{
    {
        std::lock_guard lock(m_countLock);
        ++m_listings;
    }
    if (m_hook)
        m_hook(path);
    const QString real = resolve(path, true);
    if (real.isEmpty() || !m_nodes[real].folder)
        return true;
    const Node& node = m_nodes[real];
    if (node.throws)
        throw std::runtime_error("connection lost");
    if (node.unreadable) {
        if (errorRes)
            *errorRes = plat::Error(QStringLiteral("NSCocoaErrorDomain"), 257, QStringLiteral("Permission denied"));
        return false;
    }
    for (const QString& name : node.children) {
        if (!params.hidden() && name.startsWith(QLatin1Char('.')))
            continue;
        MivFileDataPtr child = item(path == QLatin1String("/") ? path + name : path + QLatin1Char('/') + name);
        if (callback)
            callback(child);
        array.append(std::move(child));
    }
    return true;
}

} // namespace mivtest
