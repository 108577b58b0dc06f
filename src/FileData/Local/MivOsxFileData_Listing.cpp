// Listing a local folder: getdents64 on the calling thread, the entries'
// status reads and item making in parallel batches.
#include "FileData/Local/MivOsxFileData.h"

#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivListFilesParams.h"
#include "platform/Log.h"
#include "platform/OperationQueue.h"
#include "platform/ParallelFor.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/Qos.h"
#include "platform/WorkerPool.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A child whose making takes longer than this is logged.
constexpr qint64 kSlowItemNanoseconds = 10 * 1000 * 1000;

QString seconds(const QElapsedTimer& timer) { return QString::number(double(timer.nsecsElapsed()) / 1e9, 'f', 3); }

// The file URL of an absolute path given as the kernel's bytes; the same as
// Path::toFileQUrl(Path::fromNative(path)) without decoding and encoding
// the name again.
QUrl fileUrlOfNative(const QByteArray& path)
{
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + plat::Path::percentEncode(path), QUrl::StrictMode);
}

// The child item for an entry. Inside a mounted share every listing makes
// fresh items (the share's content changes without local events);
// elsewhere the item cache's. A status read already taken goes to the item,
// so its refresh reads nothing again.
MivFileDataPtr childForEntry(bool inShare, const QByteArray& path, const MivOsxFileAttributesPtr& attributes)
{
    if (inShare) {
        MivFileDataPtr fresh = MivFileDataManager::makeFreshInstanceForURL(fileUrlOfNative(path), false);
        if (auto* local = dynamic_cast<MivOsxFileData*>(fresh.get()))
            local->refreshWithAttributes(attributes);
        return fresh;
    }
    MivFileDataPtr child = MivOsxFileDataCache::sharedInstance()->getOrCreateEntryForNativePath(path, attributes);
    // A cached item that was never refreshed takes the read as well.
    if (auto* local = dynamic_cast<MivOsxFileData*>(child.get()); local && !local->refreshed())
        local->adoptAttributes(attributes);
    return child;
}

MivFileDataPtr childForURL(bool inShare, const QUrl& url)
{
    return inShare ? MivFileDataManager::makeFreshInstanceForURL(url, true)
                   : MivOsxFileDataCache::sharedInstance()->getOrCreateEntryForURL(url);
}

// The hidden flag is read again on every listing. An entry's name is at hand
// for a listed entry (a leading dot is what hides a file here), so the item
// need not decode its URL for it.
MivFileDataPtr visibleChild(const MivFileDataPtr& child, bool includingHidden, std::optional<bool> hidden = std::nullopt)
{
    if (!child)
        return nullptr;
    if (auto* urlChild = dynamic_cast<MivUrlFileData*>(child.get()))
        urlChild->setHiden(hidden);
    return includingHidden || !child->hidden() ? child : nullptr;
}

// The listed folder held open for the listing's status reads (O_PATH: no
// read permission is needed for a descriptor to look names up in).
class FolderHandle
{
public:
    explicit FolderHandle(const QString& folder)
        : _fd(folder.isEmpty() ? -1 : plat::Path::open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC))
    {
        const QByteArray native = plat::Path::toNative(folder);
        _prefixLength = native.endsWith('/') ? native.size() : native.size() + 1;
    }
    ~FolderHandle()
    {
        if (_fd >= 0)
            ::close(_fd);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    MivOsxFileData::ListedFolder listed() const { return {_fd, _fd >= 0 ? _prefixLength : -1}; }

private:
    int _fd;
    qsizetype _prefixLength = -1;
};

// Waits for every batch still queued, also when the listing leaves by an
// exception: the batches use the caller's parameters and callback.
class BatchQueue
{
public:
    ~BatchQueue()
    {
        if (_queue)
            _queue->waitUntilAllOperationsAreFinished();
    }
    void add(plat::Operation::Block block)
    {
        if (!_queue) {
            const int width = plat::WorkerPool::width();
            _queue = MivExec::createOperationQueueWithName(QStringLiteral("dir-enum-queue"), 4 * width,
                                                           plat::Qos::UserInitiated);
        }
        _queue->addOperationWithBlock(std::move(block));
    }
    void waitUntilFinished()
    {
        if (_queue)
            _queue->waitUntilAllOperationsAreFinished();
    }
    void cancel()
    {
        if (_queue)
            _queue->cancelAllOperations();
    }

private:
    std::shared_ptr<plat::OperationQueue> _queue;
};

} // namespace

bool MivOsxFileData::listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                                         const MivFileCallback& callback, plat::Error* errorRes)
{
    params.setFlatResolvingSupported(true);
    return enumerateFilesAndProcessInBatchesToArray(array, params, callback, errorRes);
}

bool MivOsxFileData::enumerateFilesAndProcessInBatchesToArray(QList<MivFileDataPtr>& array,
                                                              const MivListFilesParams& params,
                                                              const MivFileCallback& callback, plat::Error* errorRes)
{
    QElapsedTimer total;
    total.start();
    // Written by the error handler, which runs on this thread inside
    // nextObject, and read here only.
    bool stop = false;
    // Resolved once: the entries are read relative to the very folder
    // that is enumerated.
    const QString folderPath = MivFileUtils::resolvePath(realURL());
    const auto enumerator =
        directoryEnumeratorForFolder(folderPath, params, [&](const QByteArray&, const plat::Error& error) {
            if (handleListElementsError(error, params.panel(), errorRes))
                return true;
            stop = true;
            return false;
        });
    if (!enumerator)
        return false;

    // Declared before the batch queue, so it stays open until every batch
    // has ended.
    const FolderHandle folder(folderPath);
    // Batch results by position, so children keep the folder's order
    // whichever batch finishes first.
    std::vector<std::shared_ptr<QList<MivFileDataPtr>>> finished;
    std::vector<MivDirectoryEntry> batch;
    batch.reserve(kListingBatchSize);
    BatchQueue queue;
    QElapsedTimer enumeration;
    enumeration.start();
    MivDirectoryEntry entry;
    while (!stop && enumerator->nextObject(entry)) {
        // A flat listing shows files only: no folders, nor links to them.
        if (params.flat() && entry.isFolderAsShown())
            continue;
        batch.push_back(std::move(entry));
        if (batch.size() < std::size_t(kListingBatchSize))
            continue;
        auto result = std::make_shared<QList<MivFileDataPtr>>();
        finished.push_back(result);
        queue.add([this, entries = std::move(batch), result, &params, &callback, listed = folder.listed()] {
            // Made one after another: the queue runs many batches at once
            // already, and parallel loops inside them only oversubscribed
            // the pool (measured: 1.4 s against 0.9 s for 100,000 entries).
            *result = loadFileData(entries, params, callback, false, listed);
        });
        batch = {};
        batch.reserve(kListingBatchSize);
    }
    MIV_LOG_INFO(QStringLiteral("[Benchmark] Enumerating URLs took %1 s").arg(seconds(enumeration)));

    // An error ends the listing, also one on the last entry: the answer is
    // NO with nothing added, never YES with the last batch silently missing.
    if (stop) {
        queue.cancel();
        queue.waitUntilFinished();
        return false;
    }
    queue.waitUntilFinished();
    if (!batch.empty())
        finished.push_back(
            std::make_shared<QList<MivFileDataPtr>>(loadFileData(batch, params, callback, true, folder.listed())));

    qsizetype count = 0;
    for (const auto& items : finished)
        count += items->size();
    array.reserve(array.size() + count);
    for (const auto& items : finished)
        array.append(std::move(*items));
    MIV_LOG_INFO(QStringLiteral("[Benchmark] Total enumerate & process took %1 s").arg(seconds(total)));
    return true;
}

std::unique_ptr<MivDirectoryEnumerator>
MivOsxFileData::directoryEnumeratorParams(const MivListFilesParams& params, bool urlsOnly,
                                          const MivDirectoryEnumerator::ErrorHandler& errorHandler)
{
    // Entries carry their path and type whether URLs only or items are
    // asked for; the status is read later, by the item making.
    Q_UNUSED(urlsOnly);
    return directoryEnumeratorForFolder(MivFileUtils::resolvePath(realURL()), params, errorHandler);
}

std::unique_ptr<MivDirectoryEnumerator>
MivOsxFileData::directoryEnumeratorForFolder(const QString& folder, const MivListFilesParams& params,
                                             const MivDirectoryEnumerator::ErrorHandler& errorHandler)
{
    if (folder.isEmpty())
        return nullptr;
    int options = MivDirectoryEnumerator::kSkipsSubdirectoryDescendants | MivDirectoryEnumerator::kSkipsPackageDescendants;
    if (params.flat()) {
        // Read once per listing. No folder is a package here, so either way
        // every real folder is entered.
        const auto provider = MivFileDataHelpers::fileDataPropertiesProvider();
        options = provider && provider->treatPackagesAsFolders() ? 0 : MivDirectoryEnumerator::kSkipsPackageDescendants;
    }
    if (!params.hidden())
        options |= MivDirectoryEnumerator::kSkipsHiddenFiles;
    // The platform's merge of the applications folder with the system's has
    // no counterpart here: one folder is listed.
    return std::make_unique<MivDirectoryEnumerator>(QList<QByteArray>{plat::Path::toNative(folder)}, options,
                                                    errorHandler);
}

QList<MivFileDataPtr> MivOsxFileData::loadFileData(const std::vector<MivDirectoryEntry>& entries,
                                                   const MivListFilesParams& params, const MivFileCallback& callback,
                                                   bool inParallel, ListedFolder folder)
{
    std::vector<MivFileDataPtr> made(entries.size());
    const MivFileDataPtr self = selfPtr();
    const auto makeOne = [&](std::size_t index) {
        QElapsedTimer timer;
        timer.start();
        MivFileDataPtr child = createDataObject(entries[index], params.hidden(), folder);
        if (timer.nsecsElapsed() > kSlowItemNanoseconds) {
            MIV_LOG_INFO(QStringLiteral("⚠️ createDataObject took %1 s for %2")
                             .arg(seconds(timer), plat::Path::fromNative(entries[index].path)));
        }
        if (!child)
            return;
        loadElementForDataUnder(child, params.sort(), self);
        if (callback)
            callback(child);
        made[index] = std::move(child);
    };
    if (inParallel && entries.size() >= std::size_t(kListingParallelThreshold)) {
        plat::parallelFor(entries.size(), makeOne, plat::Qos::UserInitiated);
    } else {
        for (std::size_t index = 0; index < entries.size(); ++index)
            makeOne(index);
    }
    QList<MivFileDataPtr> items;
    items.reserve(qsizetype(made.size()));
    for (MivFileDataPtr& child : made) {
        if (child)
            items.append(std::move(child));
    }
    return items;
}

MivFileDataPtr MivOsxFileData::createDataObject(const MivDirectoryEntry& entry, bool includingHidden,
                                                ListedFolder folder)
{
    // The entry's one status read of this listing.
    MivOsxFileAttributesPtr attributes = entry.nameOffset == folder.prefixLength
                                             ? MivOsxFileAttributes::readAt(folder.fd, entry.path, entry.nameOffset)
                                             : MivOsxFileAttributes::read(entry.path);
    // Gone since the folder was read: nothing to show.
    if (!attributes->valid() && (attributes->error() == ENOENT || attributes->error() == ENOTDIR))
        return nullptr;
    const bool dotName = entry.path.size() > entry.nameOffset && entry.path.at(entry.nameOffset) == '.';
    return visibleChild(childForEntry(remote(), entry.path, attributes), includingHidden, dotName);
}

MivFileDataPtr MivOsxFileData::createDataObject(const QUrl& url, bool includingHidden)
{
    return visibleChild(childForURL(remote(), url), includingHidden);
}

void MivOsxFileData::loadElementForData(const MivFileDataPtr& child, const std::optional<plat::SortDescriptor>& sort,
                                        const MivFileCallback& callback)
{
    loadElementForData(child, sort);
    if (callback)
        callback(child);
}

void MivOsxFileData::loadElementForData(const MivFileDataPtr& child, const std::optional<plat::SortDescriptor>& sort)
{
    loadElementForDataUnder(child, sort, selfPtr());
}

void MivOsxFileData::loadElementForDataUnder(const MivFileDataPtr& child,
                                             const std::optional<plat::SortDescriptor>& sort, const MivFileDataPtr& self)
{
    if (!child)
        return;
    if (!child->refreshed())
        child->refresh();
    const bool inShare = remote();
    if (auto* local = dynamic_cast<MivOsxFileData*>(child.get()))
        local->setRemote(inShare);
    if (self) {
        if (inShare)
            child->setParent(self);
        child->setUiParent(self);
    }
    // The parent itself is made on first use (parent()): resolving it here
    // would look the folder up once per child.
    child->refreshForSortDescriptor(sort);
}

bool MivOsxFileData::handleListElementsError(const plat::Error& error, QObject* panel, plat::Error* errorRes)
{
    Q_UNUSED(panel);
    if (error.isNull())
        return true;
    MIV_LOG_ERROR(QStringLiteral("(%1) Handle list elements error: %2").arg(description(), error.description()));
    if (errorRes)
        *errorRes = error;
    else
        MivErrorPresenter::presentError(error);
    return false;
}

QList<QUrl> MivOsxFileData::listURLElements(bool hidden, bool incFiles, plat::Error* errorRes)
{
    const MivListFilesParams params(std::nullopt, hidden);
    const auto enumerator = directoryEnumeratorParams(params, true, [&](const QByteArray& path, const plat::Error& error) {
        plat::Error::assign(errorRes, error);
        MIV_LOG_ERROR(QStringLiteral("REAL URL: %1, FILE URL: %2, LINK PATH: %3 - error: %4")
                          .arg(QString::fromLatin1(fileUrlOfNative(path).toEncoded()),
                               QString::fromLatin1(fileURL().toEncoded()), linkPath(), error.description()));
        return false;
    });
    QList<QUrl> urls;
    if (!enumerator)
        return urls;
    MivDirectoryEntry entry;
    while (enumerator->nextObject(entry)) {
        if (incFiles || entry.isFolderAsShown())
            urls.append(fileUrlOfNative(entry.path));
    }
    return urls;
}

MivFileDataPtr MivOsxFileData::createChild(const QString& name, bool folder)
{
    Q_UNUSED(folder);
    // One component below this folder, never a path that leaves it.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || !plat::Path::isNameable(name))
        return nullptr;
    const QString parentPath = itemPath();
    if (parentPath.isEmpty())
        return nullptr;
    const QString childPath = plat::PathString::appendingPathComponent(parentPath, name);
    struct stat info {};
    const bool present = ::lstat(plat::Path::toNative(childPath).constData(), &info) == 0;
    MivFileDataPtr child = MivFileDataManager::makeFreshInstanceForURL(plat::Path::toFileQUrl(childPath), present);
    if (!child)
        return nullptr;
    const bool inShare = remote();
    if (auto* local = dynamic_cast<MivOsxFileData*>(child.get()))
        local->setRemote(inShare);
    if (inShare) {
        if (const MivFileDataPtr self = selfPtr())
            child->setParent(self);
    }
    return child;
}

void MivOsxFileData::reloadData() {}
