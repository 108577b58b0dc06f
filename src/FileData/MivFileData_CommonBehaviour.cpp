// The behaviour the base shares with every kind: refresh and naming, lazy
// loading, icons, sort keys, the context path, folder sizes, blocking,
// telling watchers, the listing conveniences, the permission snapshot, the
// one-line summary and the first bytes of a file.
#include "FileData/MivFileData.h"

#include "FileData/IMivCalculateSizeDelegate.h"
#include "FileData/IMivCopyFile.h"
#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/IMivFileDataUpdateDelegate.h"
#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/IMivIconPlugin.h"
#include "FileData/Formatters/MivDateFormatter.h"
#include "FileData/MivExec.h"
#include "FileData/Transfer/MivFileSyncDataReader.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivImageUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/MivOverlayImage.h"
#include "FileData/Formatters/MivPermsFormatter.h"
#include "FileData/MivUtils.h"
#include "FileData/PermsData.h"
#include "platform/ConcurrentQueue.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/Operation.h"

#include <QScopeGuard>
#include "platform/PathString.h"
#include "platform/Qos.h"
#include "platform/NoDestructor.h"

#include <exception>

// --- Blocked counter ---

bool MivFileData::blocked() const { return readField(_blockedCounter) > 0; }

void MivFileData::setBlocked(bool blocked)
{
    qint32 counter = 0;
    {
        std::lock_guard lock(plat::StripedLocks::forAddress(this));
        if (blocked) {
            ++_blockedCounter;
        } else if (_blockedCounter > 0) {
            // A release without a matching block is ignored: the counter never goes negative.
            --_blockedCounter;
        } else {
            return;
        }
        counter = _blockedCounter;
    }
    MIV_LOG_DEBUG(QStringLiteral("block counter current value: %1").arg(counter));
}

// --- Permission snapshot ---

PermsDataPtr MivFileData::perms()
{
    if (auto snapshot = permsData())
        return snapshot;
    quint32 generation = 0;
    {
        std::lock_guard lock(monitor());
        generation = _permsGeneration;
    }
    // Made with no lock held: the getters it reads are overridable and a
    // kind may fill them with I/O or take this item's locks.
    auto made = std::make_shared<PermsData>(*this);
    std::lock_guard lock(monitor());
    // Another thread may have stored one meanwhile: every caller gets that one.
    if (auto snapshot = permsData())
        return snapshot;
    // A refresh dropped the snapshot while this one was made from older
    // values: hand it out, but do not keep it.
    if (generation == _permsGeneration)
        setPermsData(made);
    return made;
}

// --- Listing conveniences ---

QList<MivFileDataPtr> MivFileData::listElements(bool hidden, const std::optional<plat::SortDescriptor>& sortData,
                                                const MivFileCallback& callback, plat::Error* errorRes)
{
    MivListFilesParams params(sortData, hidden);
    QList<MivFileDataPtr> array;
    // The answer is the array whatever the listing answered: a failure shows
    // only through errorRes.
    listElementsToArray(array, params, callback, errorRes);
    return array;
}

QList<MivFileDataPtr> MivFileData::listElements(bool hidden, const MivFileCallback& callback, plat::Error* errorRes)
{
    return listElements(hidden, std::nullopt, callback, errorRes);
}

// --- Extension slots ---

bool MivFileData::isUpFolderData() const { return false; }
QString MivFileData::imageUID() const { return QString(); }
QString MivFileData::imageRepresentationType() const { return QString(); }
QVariant MivFileData::imageRepresentation() const { return QVariant(); }
quint64 MivFileData::imageVersion() const { return 0; }
QString MivFileData::imageTitle() const { return QString(); }
bool MivFileData::isSelectable() const { return true; }
QColor MivFileData::calculateColor() { return QColor(); }

bool MivFileData::checkColorDefinition(const std::shared_ptr<const MivColorDefinition>&, const QString&, const PermsDataPtr&)
{
    return false;
}

// --- Helpers ---

bool MivFileData::hasCancelledOperation()
{
    const plat::OperationPtr operation = plat::Operation::currentThreadOperation();
    return operation && operation->isCancelled();
}

MivFileDataPtr MivFileData::selfPtr() { return weak_from_this().lock(); }

namespace {

std::shared_ptr<IMivFileDataPropertiesProvider> provider() { return MivFileDataHelpers::fileDataPropertiesProvider(); }

// One size and one date formatter for every item's summary, made on first use.
const MivFileSizeFormatter& sharedSizeFormatter()
{
    static const plat::NoDestructor<MivFileSizeFormatter> formatter;
    return *formatter;
}

const MivDateFormatter& sharedDateFormatter()
{
    static const plat::NoDestructor<MivDateFormatter> formatter;
    return *formatter;
}

} // namespace

// --- Refresh and naming ---

void MivFileData::refresh()
{
    setShortInfo(QString());
    permsUpdated();
    if (!icon())
        initIcon();
    resolveExtension();
    if (!extenssion().isEmpty()) {
        const QString own = name();
        setDisplayName(own.isNull() ? QString() : MivFileUtils::stemView(own).toString());
    }
    setRefreshed(true);
}

void MivFileData::resolveExtension()
{
    if (isFolder()) {
        setExtenssion(QString());
        return;
    }
    if (extenssion().isEmpty())
        setExtenssion(MivFileUtils::resolveExtension(sourcePath()));
}

// --- Lazy loading ---

bool MivFileData::refreshForSortDescriptor(const std::optional<plat::SortDescriptor>&) { return false; }

MivLazyLoadDataPtr MivFileData::doLazyLoad(const QString& sortKey, const QSet<QString>& hidden)
{
    MivLazyLoadDataPtr data = prepareForLazyLoad(sortKey, hidden);
    lazyLoadIcon();
    return data;
}

MivLazyLoadDataPtr MivFileData::prepareForLazyLoad(const QString&, const QSet<QString>&) { return nullptr; }

void MivFileData::updateLazyLoadedData(const MivLazyLoadDataPtr& lazyData)
{
    lazyLoadData(lazyData);
    setShortInfo(QString());
    setLoaded(true);
}

void MivFileData::lazyLoadData(const MivLazyLoadDataPtr&) {}

// --- Icons ---

void MivFileData::initIcon() { updateIconImage(MivFileUtils::notLoadedImage()); }

bool MivFileData::imageNotResolved() const
{
    const MivIconDescriptorPtr current = icon();
    return !current || current == MivFileUtils::notLoadedImage();
}

MivIconDescriptorPtr MivFileData::resolveIcon() const
{
    if (!imageNotResolved())
        return icon();
    if (folder())
        return MivFileUtils::folderIconImage();
    if (MivIconDescriptorPtr typeIcon = MivImageUtils::iconForFileType(extenssion()))
        return typeIcon;
    return MivFileUtils::fileIconImage();
}

void MivFileData::lazyLoadIcon()
{
    MivIconDescriptorPtr image = resolveIcon();
    if (const auto settings = provider()) {
        const MivFileDataPtr self = selfPtr();
        // The first plug-in that answers wins; the others are not asked.
        for (const auto& plugin : settings->imagePlugins()) {
            if (!plugin)
                continue;
            if (MivIconDescriptorPtr converted = plugin->convertIcon(image, self)) {
                image = converted;
                break;
            }
        }
    }
    updateIconImage(resolveLinkIconForImage(image));
}

MivIconDescriptorPtr MivFileData::resolveLinkIconForImage(const MivIconDescriptorPtr& image) const
{
    if (!link() || !image)
        return image;
    return MivOverlayImage::create(MivImageUtils::sysIconNamed(QStringLiteral("AliasBadgeIcon")), image);
}

// --- Sort keys ---

int MivFileData::sortKey() const
{
    // Most items are files: they need not reach the settings, which every
    // listing thread would otherwise ask for each of its items.
    if (!folder())
        return 0;
    const auto settings = provider();
    return settings && settings->foldersFirst() ? -99 : 0;
}

QString MivFileData::folderNameSortKey() const
{
    if (sortKey() != 0) {
        const auto settings = provider();
        if (settings && settings->foldersAlwaysByName())
            return name();
    }
    return QStringLiteral("");
}

// --- Context path ---

QString MivFileData::contextPath()
{
    const QString cached = ctxPath();
    if (!cached.isNull())
        return cached;
    const MivFileDataPtr container = parent();
    const QString base = container ? container->contextPath() : QStringLiteral("");
    const QString path = QStringLiteral("%1/%2").arg(base, MivUtils::sanitizedString(nameForContext()));
    setCtxPath(path);
    return path;
}

// --- Folder sizes ---

bool MivFileData::updateFolderSizeState()
{
    if (calulatingSize() || !folder() || size() >= 0)
        return false;
    setSize(link() ? kSizeLinkToFolder : kSizeFolderNotCounted);
    return true;
}

void MivFileData::updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate, bool inBackground)
{
    if (calulatingSize() || !folder() || size() >= 0)
        return;
    // Claimed atomically: two callers racing past the test above must not
    // both start a calculation of the same folder.
    bool idle = false;
    if (!_calulatingSize.compare_exchange_strong(idle, true))
        return;
    const qint64 sizeBefore = size();
    setSize(kSizeCalculating);

    const MivFileDataPtr self = selfPtr();
    auto job = [this, self, delegate, sizeBefore] {
        // A calculation that throws must not leave the folder "calculating"
        // for good: the marker goes back and a later request may try again.
        auto recover = qScopeGuard([&] {
            if (size() == kSizeCalculating)
                setSize(sizeBefore);
            setCalulatingSize(false);
        });
        setSize(static_cast<qint64>(calculateSizeWithDelegate(nullptr)));
        setShortInfo(QString());
        if (delegate && self)
            MivExec::runAsyncOnMainThread([delegate, self] { delegate->didUpdateSizeData(self); });
        recover.dismiss();
        setCalulatingSize(false);
    };
    // An item nobody owns through a shared pointer cannot be kept alive on a
    // queue: its calculation runs here.
    if (!self) {
        job();
        return;
    }
    if (inBackground)
        plat::ConcurrentQueue::global(plat::Qos::Background)->async(job);
    else if (MivExec::isMainThread())
        plat::ConcurrentQueue::global(plat::Qos::Default)->async(job);
    else
        job();
}

quint64 MivFileData::calculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate)
{
    MIV_LOG_VERBOSE(QStringLiteral("Calculate size for context: %1").arg(description()));
    if (hasCancelledOperation())
        return 0;
    const qint64 current = size();
    if (folder() && current < 1)
        return static_cast<quint64>(std::max<qint64>(doCalculateSizeWithDelegate(delegate), 0));
    // A file whose size is not known yet holds a negative marker; it counts nothing.
    return static_cast<quint64>(std::max<qint64>(current, 0));
}

qint64 MivFileData::doCalculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate)
{
    if (!refreshed())
        refresh();
    if (hasCancelledOperation())
        return 0;
    plat::Error error;
    const QList<MivFileDataPtr> children = listElements(true, MivFileCallback(), &error);
    if (!error.isNull())
        MIV_LOG_WARN(QStringLiteral("(%1) Error in %2: %3").arg(description(), QString::fromLatin1(Q_FUNC_INFO), error.description()));

    quint64 total = 0;
    for (const MivFileDataPtr& child : children) {
        if (child) {
            try {
                total += child->calculateSizeWithDelegate(delegate);
            } catch (const std::exception& exception) {
                MIV_LOG_ERROR(QStringLiteral("[%1] Exception while calculating file size: %2")
                                  .arg(QString::fromLatin1(Q_FUNC_INFO), QString::fromUtf8(exception.what())));
            } catch (...) {
                MIV_LOG_ERROR(QStringLiteral("[%1] Exception while calculating file size: %2")
                                  .arg(QString::fromLatin1(Q_FUNC_INFO), QStringLiteral("unknown exception")));
            }
        }
        // A cancelled calculation answers what it has, but does not store it.
        if (hasCancelledOperation())
            return static_cast<qint64>(total);
    }
    setPhysicalSize(static_cast<qint64>(total));
    return static_cast<qint64>(total);
}

// --- Watchers ---

void MivFileData::refreshContextView(const MivFileDataPtr& selection)
{
    // A copy: watchers may come and go while they are told.
    const QList<std::weak_ptr<IMivFileWatcherContextDelegate>> watchers = watchedDelegates();
    for (const auto& entry : watchers) {
        const std::shared_ptr<IMivFileWatcherContextDelegate> watcher = entry.lock();
        if (!watcher)
            continue;
        if (selection)
            watcher->refreshContextWithSelectionOf(selection);
        else
            watcher->contextContentChanged({});
    }
}

// --- Summary ---

QString MivFileData::shortInfo()
{
    const QString cached = storedShortInfo();
    if (!cached.isNull())
        return cached;
    const QString sizeText = sharedSizeFormatter().stringForObjectValue(QVariant::fromValue(size()));
    // The stored date: the summary must not start the lazy reading a kind's
    // getter may do.
    const QString dateText = sharedDateFormatter().stringFromDate(MivFileData::modificationDate());
    const PermsDataPtr snapshot = perms();
    const QString permsText = snapshot ? MivPermsFormatter::formatPerms(*snapshot, 0) : QString();
    const QString summary = QStringLiteral("%1 %2 %3").arg(sizeText, dateText, permsText);
    setShortInfo(summary);
    return summary;
}

// --- First bytes ---

QByteArray MivFileData::bytes(quint64 count)
{
    if (folder())
        return QByteArray();
    QByteArray header = headerData();
    if (static_cast<quint64>(header.size()) >= count)
        return header.left(static_cast<qsizetype>(count));
    if (dynamic_cast<IMivCopyFile*>(this)) {
        const auto reader = std::make_shared<MivFileSyncDataReader>(selfPtr(), static_cast<qint64>(count), nullptr);
        if (!reader->closed()) {
            header = QByteArray("");
            while (static_cast<quint64>(header.size()) < count) {
                const std::optional<QByteArray> chunk = reader->read();
                if (!chunk)
                    break;
                if (!chunk->isEmpty())
                    header.append(*chunk);
            }
            reader->close();
            setHeaderData(header);
        }
    }
    if (header.isNull())
        return QByteArray();
    if (static_cast<quint64>(header.size()) <= count)
        return header;
    return header.left(static_cast<qsizetype>(count));
}

// --- Pasteboard: the writer comes with the application shell ---

QStringList MivFileData::writableTypesForPasteboard(const QMimeData*) const { return {}; }
int MivFileData::writingOptionsForType(const QString&, const QMimeData*) const { return 0; }
QVariant MivFileData::pasteboardPropertyListForType(const QString&) const { return QVariant(); }
