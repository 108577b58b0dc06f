#include "FileData/MivUrlFileData.h"

#include "FileData/Extensions/UrlParameters.h"
#include "FileData/IMivRootFile.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/MivNilFileData.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PosixError.h"
#include "platform/PathString.h"

#include <QElapsedTimer>
#include <QHashFunctions>

#include <algorithm>

#include <sys/stat.h>

namespace {

// The URL's text without a password, as keys and descriptions show it.
QString stringWithoutPassword(const QUrl& url)
{
    return UrlParameters::URLByDeletingPassword(url).toString(QUrl::FullyEncoded);
}

// The decoded path the name and the parent come from.
QString itemPathOfURL(const QUrl& url)
{
    return url.isLocalFile() ? MivFileUtils::resolvePath(url) : UrlParameters::pathByReplacingPercentEscapes(url);
}

// The path of a file URL that is exactly the URL the path codec writes for
// it (so the URL can be rebuilt from the path with nothing lost); null for
// any other URL (another scheme, a host, a query, another spelling).
QString plainFilePath(const QUrl& url)
{
    if (!url.isLocalFile())
        return QString();
    const QString path = plat::Path::fromFileUrl(url);
    if (path.isEmpty() || plat::Path::toFileUrl(path) != url.toString(QUrl::FullyEncoded))
        return QString();
    return path;
}

// Surrogates are where a text may spell bytes another text decodes from
// (see plat::Path); only a path with one needs its canonical form.
bool hasSurrogates(const QString& path)
{
    return std::any_of(path.cbegin(), path.cend(), [](QChar c) { return c.isSurrogate(); });
}

QString nameOfPath(const QString& path) { return path.isNull() ? QString() : plat::PathString::lastPathComponent(path); }

// The folder part of a path as a text shared with the items made before it
// from the same folder on this thread: a listing makes its items one folder
// at a time, and each would otherwise keep its own copy of the folder.
QString sharedFolder(QStringView folder)
{
    thread_local QString last;
    if (last.isNull() || QStringView(last) != folder)
        last = folder.toString();
    return last;
}

// folder + "/" + leaf in one allocation.
QString joinedPath(const QString& folder, const QString& leaf)
{
    QString path(folder.size() + 1 + leaf.size(), Qt::Uninitialized);
    QChar* out = path.data();
    std::copy(folder.cbegin(), folder.cend(), out);
    out[folder.size()] = QLatin1Char('/');
    std::copy(leaf.cbegin(), leaf.cend(), out + folder.size() + 1);
    return path;
}

} // namespace

MivUrlFileData::MivUrlFileData(const QUrl& url) { initAddress(url); }

MivUrlFileData::MivUrlFileData(const LocalPath& local)
{
    if (!local.path.startsWith(QLatin1Char('/')))
        initAddress(plat::Path::toFileQUrl(local.path));
    else if (hasSurrogates(local.path))
        initPath(plat::Path::fromNative(plat::Path::toNative(local.path)));
    else
        initPath(local.path);
}

void MivUrlFileData::didCreateWithURL(bool withRefresh)
{
    didCreate();
    if (withRefresh)
        refresh();
}

// --- Address ---

QString MivUrlFileData::Address::pathKey() const { return fromPath && !leaf.isNull() ? joinedPath(key, leaf) : key; }

bool MivUrlFileData::Address::pathParts(QStringView* folder, QStringView* last) const
{
    if (!leaf.isNull()) {
        *folder = key;
        *last = leaf;
        return true;
    }
    const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        *folder = QStringView();
        *last = key;
        return false;
    }
    *folder = QStringView(key).first(slash);
    *last = QStringView(key).sliced(slash + 1);
    return true;
}

MivUrlFileData::Address MivUrlFileData::address() const
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    return Address{_key, _kind == AddressKind::FolderAndName ? nameField() : QString(), _url, _kind != AddressKind::Url};
}

bool MivUrlFileData::hasAddress() const
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    switch (_kind) {
    case AddressKind::Url:
        return !_url.isEmpty();
    case AddressKind::Path:
        return !_key.isEmpty();
    case AddressKind::FolderAndName:
        return true;
    }
    return false;
}

bool MivUrlFileData::hasPathKey() const
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    return !_key.isEmpty() || _kind == AddressKind::FolderAndName;
}

void MivUrlFileData::willChangeName()
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    if (_kind != AddressKind::FolderAndName)
        return;
    _key = joinedPath(_key, nameField());
    _kind = AddressKind::Path;
}

void MivUrlFileData::initAddress(const QUrl& url)
{
    const QString path = plainFilePath(url);
    if (!path.isNull()) {
        initPath(path);
        return;
    }
    assignAddress(url);
    storeName(nameOfPath(itemPath()));
}

void MivUrlFileData::initPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash + 1 == path.size()) {
        // The root, or a path ending in "/": its name is not its last part.
        assignPath(path);
        storeName(nameOfPath(path));
        return;
    }
    // The name is a tight copy of the last part (a path joined for the item
    // often carries spare capacity the item would keep for life).
    storeName(path.mid(slash + 1));
    QString folder = slash > 0 ? sharedFolder(QStringView(path).first(slash)) : QString();
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    std::swap(_key, folder);
    _url = QUrl();
    _kind = AddressKind::FolderAndName;
}

void MivUrlFileData::assignAddress(const QUrl& url)
{
    const QString path = plainFilePath(url);
    if (!path.isNull()) {
        assignPath(path);
        return;
    }
    QString key;
    if (!url.isEmpty())
        key = url.isLocalFile() ? MivFileUtils::resolvePath(url) : stringWithoutPassword(url);
    QUrl oldURL = url;
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    std::swap(_key, key);
    std::swap(_url, oldURL);
    _kind = AddressKind::Url;
}

void MivUrlFileData::assignPath(const QString& path)
{
    QString key = path;
    // A path joined for the item often carries spare capacity; an item
    // keeps it for its lifetime, so it keeps a tight copy instead.
    if (key.capacity() > key.size())
        key.squeeze();
    QUrl oldURL;
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    std::swap(_key, key);
    std::swap(_url, oldURL);
    _kind = AddressKind::Path;
}

QString MivUrlFileData::itemPath() const
{
    const Address current = address();
    if (current.fromPath)
        return current.pathKey();
    return current.url.isEmpty() ? QString() : itemPathOfURL(current.url);
}

QUrl MivUrlFileData::fileURL() const
{
    Address current;
    {
        std::lock_guard lock(plat::StripedLocks::forAddress(this));
        if (_kind == AddressKind::Url || !_url.isEmpty())
            return _url;
        current = Address{_key, _kind == AddressKind::FolderAndName ? nameField() : QString(), QUrl(), true};
    }
    // Built outside the lock; kept only if the item still has that path.
    QUrl built = plat::Path::toFileQUrl(current.pathKey());
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    const bool samePath = _kind == AddressKind::FolderAndName
                              ? !current.leaf.isNull() && nameField() == current.leaf
                              : _kind == AddressKind::Path && current.leaf.isNull();
    if (samePath && _url.isEmpty() && _key == current.key && _key.isNull() == current.key.isNull())
        _url = built;
    return built;
}

plat::Error MivUrlFileData::remove() { return plat::Error(); }

quint64 MivUrlFileData::hash() const
{
    const Address current = address();
    // An item kept as its path is equal to another only through the path,
    // hashed by its parts (split at its last "/") however it is kept.
    if (current.fromPath) {
        QStringView folder;
        QStringView last;
        const bool split = current.pathParts(&folder, &last);
        return qHashMulti(0, split, folder, last);
    }
    return current.url.isEmpty() ? MivDefaultCopyFileData::hash() : qHash(current.url.toString(QUrl::FullyEncoded));
}

bool MivUrlFileData::isEqual(const MivFileData* other) const
{
    if (other == this)
        return true;
    const auto* urlItem = dynamic_cast<const MivUrlFileData*>(other);
    if (!urlItem)
        return false;
    const Address mine = address();
    const Address theirs = urlItem->address();
    // A path stands for exactly one URL text and the other way round, and
    // no URL kept as given spells one a path stands for.
    if (mine.fromPath || theirs.fromPath) {
        if (mine.fromPath != theirs.fromPath)
            return false;
        QStringView myFolder, myLast, theirFolder, theirLast;
        return mine.pathParts(&myFolder, &myLast) == theirs.pathParts(&theirFolder, &theirLast)
               && myFolder == theirFolder && myLast == theirLast;
    }
    return !mine.url.isEmpty() && !theirs.url.isEmpty()
           && mine.url.toString(QUrl::FullyEncoded) == theirs.url.toString(QUrl::FullyEncoded);
}

void MivUrlFileData::setFileURL(const QUrl& url)
{
    clearCache();
    assignAddress(url);
    updateName(nameOfPath(itemPath()));
    refresh();
}

void MivUrlFileData::resolvePathkey()
{
    const Address current = address();
    if (!current.fromPath)
        assignAddress(current.url);
}

void MivUrlFileData::updatePrintURL() {}

bool MivUrlFileData::exists() const { return MivDefaultCopyFileData::exists() && hasAddress(); }
bool MivUrlFileData::link() const { return _link.load(); }
void MivUrlFileData::setLink(bool link) { _link.store(link); }

void MivUrlFileData::setHiden(std::optional<bool> hiden) { cacheHiddenFlag(hiden); }

void MivUrlFileData::cacheHiddenFlag(std::optional<bool> hiden) const
{
    _hiden.store(hiden ? qint8(*hiden ? 1 : 0) : kHiddenUnknown);
}

bool MivUrlFileData::hidden() const
{
    // The calculation is overridable and may read the file system or take
    // this item's locks, so it runs with no lock held. Threads that ask
    // first at the same time may each calculate; they store the same answer.
    // (It is not const in its signature, so the call needs the cast; the
    // item itself is never const.)
    if (_hiden.load() == kHiddenUnknown)
        const_cast<MivUrlFileData*>(this)->calculateHiddenFlag();
    return _hiden.load() == 1;
}

void MivUrlFileData::setFolder(bool folder) { _folder.store(folder); }

bool MivUrlFileData::folder() const { return _folder.load(); }

QUrl MivUrlFileData::realURL() const
{
    if (linkPath().isEmpty())
        return fileURL();
    const QString target = realPath();
    struct stat info {};
    if (::stat(plat::Path::toNative(target).constData(), &info) == 0)
        return QUrl(plat::Path::toFileUrl(target), QUrl::StrictMode);
    return fileURL();
}

QString MivUrlFileData::sourcePath() const
{
    const Address current = address();
    return current.fromPath ? current.pathKey() : MivFileUtils::resolvePath(current.url);
}

QString MivUrlFileData::displayInfo() const
{
    const QString target = linkPath();
    return target.isEmpty() ? pathKey() : target;
}

QString MivUrlFileData::pathKey() const { return address().pathKey(); }

qint64 MivUrlFileData::doCalculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate)
{
    if (!isLocalFile())
        return MivDefaultCopyFileData::doCalculateSizeWithDelegate(delegate);
    QElapsedTimer timer;
    timer.start();
    quint64 allocated = 0;
    const quint64 total = MivItemHooks::fastFolderSizeAtURL(realURL(), delegate, &allocated);
    setPhysicalSize(static_cast<qint64>(allocated));
    MIV_LOG_DEBUG(QStringLiteral("[Benchmark] Calculation size of %1 took %2 s, size: %3")
                      .arg(pathKey(), QString::number(timer.elapsed() / 1000.0, 'f', 3), QString::number(total)));
    return static_cast<qint64>(total);
}

MivFileDataPtr MivUrlFileData::assignedParent() const { return parentProperty(); }

MivFileDataPtr MivUrlFileData::parent() const
{
    auto* self = const_cast<MivUrlFileData*>(this);
    const MivFileDataPtr stored = parentProperty();
    if (dynamic_cast<const MivNilFileData*>(stored.get()))
        return nullptr;
    // The URL of an item kept as its path is built only when a volume hook can use it.
    const QUrl url = hasAddress() && MivItemHooks::hasDriveVolumeDescription() ? fileURL() : QUrl();
    if (!url.isEmpty() && !MivItemHooks::driveVolumeDescription(url).isEmpty()) {
        const QUrl volumeURL = MivItemHooks::mountedShareBaseURL(*this).value_or(url);
        if (volumeURL.isLocalFile()) {
            // A local volume's root has no parent; the marker keeps it from
            // asking the volume list again.
            self->MivFileData::setParent(std::make_shared<MivNilFileData>());
            return nullptr;
        }
    }
    if (!stored && hasAddress() && itemPath() != QStringLiteral("/"))
        return self->resolveParent();
    return stored;
}

void MivUrlFileData::updateParentData(const MivFileDataPtr&) {}

MivFileDataPtr MivUrlFileData::resolveParent()
{
    const Address current = address();
    if (current.fromPath || current.url.isLocalFile()) {
        const QString path = current.fromPath ? current.pathKey() : MivFileUtils::resolvePath(current.url);
        const QString parentPath = plat::PathString::deletingLastPathComponent(path);
        if (parentPath.isEmpty())
            return nullptr;
        return resolveParentForURL(QUrl(plat::Path::toFileUrl(parentPath), QUrl::StrictMode));
    }
    const QUrl url = current.url;
    if (url.isEmpty())
        return nullptr;
    const QString path = UrlParameters::pathByReplacingPercentEscapes(url);
    QString parentPath = plat::PathString::deletingLastPathComponent(path);
    if (parentPath.isEmpty() || parentPath == plat::PathString::strippingTrailingSlashes(path))
        return nullptr;
    if (!parentPath.endsWith(QLatin1Char('/')))
        parentPath += QLatin1Char('/');
    const int port = url.port();
    const QUrl parentURL = UrlParameters::URLWithScheme(
        url.scheme(), url.userName(QUrl::FullyDecoded), UrlParameters::passwordByReplacingPercentEscapes(url),
        url.host(QUrl::FullyDecoded), port > 0 ? static_cast<quint16>(port) : 0, parentPath,
        UrlParameters::queryByReplacingPercentEscapes(url));
    return resolveParentForURL(parentURL);
}

MivFileDataPtr MivUrlFileData::resolveParentForURL(const QUrl& url)
{
    if (url.isEmpty() || !url.isValid() || url == fileURL())
        return nullptr;
    // Local parents come from the local item cache, unrefreshed.
    const MivFileDataPtr made = MivItemHooks::makeInstanceForURL(url, !url.isLocalFile());
    if (!made)
        return nullptr;
    updateParentData(made);
    MivFileData::setParent(made);
    return made;
}

void MivUrlFileData::refresh()
{
    if (hasAddress())
        MivDefaultCopyFileData::refresh();
}

bool MivUrlFileData::renameAllowed() const { return true; }

bool MivUrlFileData::rename(const QString&, const QString&, bool, plat::Error*) { return false; }

QString MivUrlFileData::name() const
{
    // Named when its address is set; a name cleared since is derived again.
    QString own = MivDefaultCopyFileData::name();
    if (own.isNull()) {
        const QString path = itemPath();
        if (!path.isNull())
            own = plat::PathString::lastPathComponent(path);
    }
    return own;
}

bool MivUrlFileData::checkNameBeforeRename(const QString& newName) const
{
    return newName != plat::PathString::lastPathComponent(subpathForPath(QStringLiteral("")));
}

bool MivUrlFileData::rename(const QString& newName, bool withRefresh, plat::Error* error)
{
    const QString oldSubpath = subpathForPath(QStringLiteral(""));
    const auto urlParent = std::dynamic_pointer_cast<MivUrlFileData>(realParent());
    if (!urlParent)
        return false;
    return rename(oldSubpath, urlParent->subpathForPath(newName), withRefresh, error);
}

MivFileDataPtr MivUrlFileData::realParent() const
{
    MivFileDataPtr folder = parent();
    if (!folder)
        return nullptr;
    const MivFileDataPtr self = const_cast<MivUrlFileData*>(this)->selfPtr();
    if (const std::optional<MivFileDataPtr> origin = MivItemHooks::realParentForData(folder, self)) {
        folder = *origin;
        if (!folder)
            return nullptr;
    }
    if (auto* root = dynamic_cast<IMivRootFile*>(folder.get()))
        return root->rootFile();
    return folder;
}

// Resource values are read from the file system on each request, so there
// is no cache to drop here.
void MivUrlFileData::clearCache() { MivDefaultCopyFileData::clearCache(); }

QVariant MivUrlFileData::WSSResourceValueForKey(const QString& key, const QUrl& url) const
{
    if (!url.isLocalFile())
        return QVariant();
    const QString path = MivFileUtils::resolvePath(url);
    if (key == QLatin1String("NSURLIsHiddenKey"))
        return plat::PathString::lastPathComponent(path).startsWith(QLatin1Char('.'));
    if (key == QLatin1String("NSURLIsDirectoryKey")) {
        struct stat info {};
        if (::stat(plat::Path::toNative(path).constData(), &info) != 0) {
            MIV_LOG_INFO(QStringLiteral("ERROR RESOURCE VALUE: %1, URL: %2")
                             .arg(plat::errnoText(errno), url.toString(QUrl::FullyEncoded)));
            return QVariant();
        }
        return S_ISDIR(info.st_mode);
    }
    return QVariant();
}

void MivUrlFileData::calculateHiddenFlag()
{
    const Address current = address();
    // A local item's resource value is its name's: read it without a URL.
    if (current.fromPath) {
        cacheHiddenFlag(plat::PathString::lastPathComponent(current.pathKey()).startsWith(QLatin1Char('.')));
        return;
    }
    if (current.url.isEmpty())
        return;
    const QVariant value = WSSResourceValueForKey(QStringLiteral("NSURLIsHiddenKey"), current.url);
    if (value.isValid())
        cacheHiddenFlag(value.toBool());
}

QString MivUrlFileData::description() const
{
    const Address current = address();
    // Log lines describe many items: an item kept as its path gets no URL for it.
    QString text;
    if (current.fromPath)
        text = plat::Path::toFileUrl(current.pathKey());
    else if (current.url.isEmpty() || current.url.isLocalFile())
        text = current.url.toString(QUrl::FullyEncoded);
    else
        text = UrlParameters::URLByDeletingPassword(current.url).toString(QUrl::FullyEncoded);
    return QStringLiteral("[UFD:%1] %2").arg(hash()).arg(text);
}

QString MivUrlFileData::subpathForPath(const QString& path) const { return UrlParameters::subpathForURL(fileURL(), path); }

QString MivUrlFileData::subpathForPath(const QString& path, const QString& base) const
{
    return UrlParameters::subpathForPath(path, base);
}

QUrl MivUrlFileData::suburlForPath(const QString& path) const { return UrlParameters::suburlForURL(fileURL(), path); }

QUrl MivUrlFileData::suburlForPath(const QString& path, const QString& base) const
{
    return UrlParameters::suburlForURL(fileURL(), path, base);
}

QList<QUrl> MivUrlFileData::listURLElements(bool hidden, bool incFiles, plat::Error* errorRes)
{
    MivListFilesParams params(std::nullopt, hidden);
    params.setIncludeFiles(incFiles);
    params.setOnlyURLs(true);
    QList<MivFileDataPtr> array;
    listElementsToArray(array, params, MivFileCallback(), errorRes);
    QList<QUrl> urls;
    urls.reserve(array.size());
    for (const MivFileDataPtr& child : array) {
        if (const auto* urlChild = dynamic_cast<const IMivUrlFile*>(child.get()))
            urls.append(urlChild->fileURL());
    }
    return urls;
}

