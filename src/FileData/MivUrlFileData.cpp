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

#include <sys/stat.h>

namespace {

// The URL's text without a password, as keys and descriptions show it.
QString stringWithoutPassword(const QUrl& url)
{
    return UrlParameters::URLByDeletingPassword(url).toString(QUrl::FullyEncoded);
}

// The decoded path the name and the parent come from.
QString itemPath(const QUrl& url)
{
    return url.isLocalFile() ? MivFileUtils::resolvePath(url) : UrlParameters::pathByReplacingPercentEscapes(url);
}

} // namespace

MivUrlFileData::MivUrlFileData(const QUrl& url) : _fileURL(url) {}

void MivUrlFileData::didCreateWithURL(bool withRefresh)
{
    didCreate();
    if (withRefresh)
        refresh();
}

plat::Error MivUrlFileData::remove() { return plat::Error(); }

quint64 MivUrlFileData::hash() const
{
    const QUrl url = fileURL();
    return url.isEmpty() ? MivDefaultCopyFileData::hash() : qHash(url.toString(QUrl::FullyEncoded));
}

bool MivUrlFileData::isEqual(const MivFileData* other) const
{
    if (other == this)
        return true;
    const auto* urlItem = dynamic_cast<const MivUrlFileData*>(other);
    if (!urlItem)
        return false;
    const QUrl mine = fileURL();
    const QUrl theirs = urlItem->fileURL();
    return !mine.isEmpty() && !theirs.isEmpty() && mine.toString(QUrl::FullyEncoded) == theirs.toString(QUrl::FullyEncoded);
}

void MivUrlFileData::setFileURL(const QUrl& url)
{
    clearCache();
    updateName(QString());
    writeField(_fileURL, url);
    resolvePathkey();
    updatePrintURL();
    refresh();
}

void MivUrlFileData::resolvePathkey()
{
    const QUrl url = fileURL();
    if (url.isEmpty())
        return;
    writeField(_pathkey, url.isLocalFile() ? MivFileUtils::resolvePath(url) : stringWithoutPassword(url));
}

void MivUrlFileData::updatePrintURL()
{
    const QUrl url = fileURL();
    if (url.isEmpty() || url.isLocalFile())
        writeField(_printURL, url);
    else
        writeField(_printURL, UrlParameters::URLByDeletingPassword(url));
}

bool MivUrlFileData::exists() const { return MivDefaultCopyFileData::exists() && !fileURL().isEmpty(); }
bool MivUrlFileData::link() const { return _link.load(); }
void MivUrlFileData::setLink(bool link) { _link.store(link); }

void MivUrlFileData::setHiden(std::optional<bool> hiden)
{
    std::lock_guard lock(_hidenLock);
    _hiden = hiden;
}

bool MivUrlFileData::hidden() const
{
    std::lock_guard lock(_hidenLock);
    // Computed once, under the lock, however many threads ask first.
    if (!_hiden)
        const_cast<MivUrlFileData*>(this)->calculateHiddenFlag();
    return _hiden.value_or(false);
}

void MivUrlFileData::setFolder(bool folder)
{
    std::lock_guard lock(_folderLock);
    _folder.store(folder);
}

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

QString MivUrlFileData::sourcePath() const { return MivFileUtils::resolvePath(fileURL()); }

QString MivUrlFileData::displayInfo() const
{
    const QString target = linkPath();
    return target.isEmpty() ? pathKey() : target;
}

QString MivUrlFileData::pathKey() const
{
    std::lock_guard lock(monitor());
    if (readField(_pathkey).isNull())
        const_cast<MivUrlFileData*>(this)->resolvePathkey();
    return readField(_pathkey);
}

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
    const QUrl url = fileURL();
    if (!url.isEmpty() && !MivItemHooks::driveVolumeDescription(url).isEmpty()) {
        const QUrl volumeURL = MivItemHooks::mountedShareBaseURL(*this).value_or(url);
        if (volumeURL.isLocalFile()) {
            // A local volume's root has no parent; the marker keeps it from
            // asking the volume list again.
            self->MivFileData::setParent(std::make_shared<MivNilFileData>());
            return nullptr;
        }
    }
    if (!stored && !url.isEmpty() && itemPath(url) != QStringLiteral("/"))
        return self->resolveParent();
    return stored;
}

void MivUrlFileData::updateParentData(const MivFileDataPtr&) {}

MivFileDataPtr MivUrlFileData::resolveParent()
{
    const QUrl url = fileURL();
    if (url.isEmpty())
        return nullptr;
    if (url.isLocalFile()) {
        const QString path = MivFileUtils::resolvePath(url);
        const QString parentPath = plat::PathString::deletingLastPathComponent(path);
        if (parentPath.isEmpty())
            return nullptr;
        return resolveParentForURL(QUrl(plat::Path::toFileUrl(parentPath), QUrl::StrictMode));
    }
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
    if (!fileURL().isEmpty())
        MivDefaultCopyFileData::refresh();
}

bool MivUrlFileData::renameAllowed() const { return true; }

bool MivUrlFileData::rename(const QString&, const QString&, bool, plat::Error*) { return false; }

QString MivUrlFileData::name() const
{
    if (pureName().isNull()) {
        const QUrl url = fileURL();
        if (!url.isEmpty())
            const_cast<MivUrlFileData*>(this)->updateName(plat::PathString::lastPathComponent(itemPath(url)));
    }
    return MivDefaultCopyFileData::name();
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
    const QUrl url = fileURL();
    if (url.isEmpty())
        return;
    const QVariant value = WSSResourceValueForKey(QStringLiteral("NSURLIsHiddenKey"), url);
    if (value.isValid())
        _hiden = value.toBool();
}

QString MivUrlFileData::description() const
{
    QUrl printURL = readField(_printURL);
    if (printURL.isEmpty()) {
        const_cast<MivUrlFileData*>(this)->updatePrintURL();
        printURL = readField(_printURL);
    }
    return QStringLiteral("[UFD:%1] %2").arg(hash()).arg(printURL.toString(QUrl::FullyEncoded));
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

QUrl MivUrlFileData::fileURL() const { return readField(_fileURL); }
