// The behaviour the base shares with every kind: blocking, the permission
// snapshot, the listing conveniences, and the hooks whose common behaviour
// (refresh, lazy loading, sizes, watchers, sort keys, icons, summary, header
// bytes, pasteboard) still answers neutrally here.
#include "FileData/MivFileData.h"

#include "FileData/MivListFilesParams.h"
#include "FileData/PermsData.h"
#include "platform/Log.h"

// --- Blocked counter ---

bool MivFileData::blocked() const
{
    std::lock_guard lock(_blockLock);
    return _blockedCounter > 0;
}

void MivFileData::setBlocked(bool blocked)
{
    std::lock_guard lock(_blockLock);
    bool changed = false;
    if (blocked) {
        ++_blockedCounter;
        changed = true;
    } else if (_blockedCounter > 0) {
        // A release without a matching block is ignored: the counter never goes negative.
        --_blockedCounter;
        changed = true;
    }
    if (changed)
        MIV_LOG_DEBUG(QStringLiteral("block counter current value: %1").arg(_blockedCounter));
}

// --- Permission snapshot ---

PermsDataPtr MivFileData::perms()
{
    if (auto snapshot = permsData())
        return snapshot;
    std::lock_guard lock(_monitor);
    // Another thread may have made it while this one waited.
    auto snapshot = permsData();
    if (!snapshot) {
        snapshot = std::make_shared<PermsData>(*this);
        setPermsData(snapshot);
    }
    return snapshot;
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

// --- Hooks answering neutrally until the common behaviour is built ---

bool MivFileData::refreshForSortDescriptor(const std::optional<plat::SortDescriptor>&) { return false; }
void MivFileData::updateLazyLoadedData(const MivLazyLoadDataPtr&) {}
MivLazyLoadDataPtr MivFileData::doLazyLoad(const QString&, const QSet<QString>&) { return nullptr; }
MivLazyLoadDataPtr MivFileData::prepareForLazyLoad(const QString&, const QSet<QString>&) { return nullptr; }
void MivFileData::lazyLoadData(const MivLazyLoadDataPtr&) {}
int MivFileData::sortKey() const { return 0; }
QString MivFileData::folderNameSortKey() const { return QStringLiteral(""); }
QByteArray MivFileData::bytes(quint64) { return QByteArray(); }
QString MivFileData::contextPath() { return ctxPath(); }
void MivFileData::refreshContextView(const MivFileDataPtr&) {}
void MivFileData::resolveExtension() {}
void MivFileData::refresh() {}
void MivFileData::lazyLoadIcon() {}
MivIconDescriptorPtr MivFileData::resolveLinkIconForImage(const MivIconDescriptorPtr& image) const { return image; }
void MivFileData::initIcon() {}
bool MivFileData::updateFolderSizeState() { return false; }
void MivFileData::updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>&, bool) {}
quint64 MivFileData::calculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>&) { return 0; }
qint64 MivFileData::doCalculateSizeWithDelegate(const std::shared_ptr<IMivCalculateSizeDelegate>&) { return 0; }
bool MivFileData::imageNotResolved() const { return false; }
MivIconDescriptorPtr MivFileData::resolveIcon() const { return icon(); }
QString MivFileData::shortInfo() { return storedShortInfo(); }
QStringList MivFileData::writableTypesForPasteboard(const QMimeData*) const { return {}; }
int MivFileData::writingOptionsForType(const QString&, const QMimeData*) const { return 0; }
QVariant MivFileData::pasteboardPropertyListForType(const QString&) const { return QVariant(); }
