#include "FileData/MivFileData.h"

#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/IMivLocalFile.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/PermsData.h"

#include <functional>

MivFileData::MivFileData() = default;

MivFileData::~MivFileData() = default;

// --- Identity ---

bool MivFileData::isEqual(const MivFileData* other) const { return other == this; }

quint64 MivFileData::hash() const { return baseHashNumber(); }

QString MivFileData::description() const
{
    return QStringLiteral("<MivFileData: 0x%1>").arg(baseHashNumber(), 0, 16);
}

quint64 MivFileData::baseHashNumber() const { return static_cast<quint64>(reinterpret_cast<quintptr>(this)); }

MivFileDataPtr MivFileData::parentProperty() const { return readField(_parent); }

// --- Keys ---

QString MivFileData::pathKey() const { return QStringLiteral(""); }
QString MivFileData::fullSavingKey() const { return savingKey(); }
QString MivFileData::savingKey() const { return pathKey(); }

// --- Rename and make rules ---

bool MivFileData::renameOverwriteEnabled() const { return false; }
bool MivFileData::makeFolderAllowed() const { return true; }
bool MivFileData::makeFileAllowed() const { return true; }
bool MivFileData::showContentAllowed() const { return false; }
bool MivFileData::renameAllowed() const { return false; }

void MivFileData::close() { setRefreshed(false); }

MivFileDataPtr MivFileData::createChild(const QString&, bool) { return nullptr; }

bool MivFileData::checkNameBeforeRename(const QString& newName) const
{
    // Exact comparison: a change of letter case is a rename.
    return newName.compare(name(), Qt::CaseSensitive) != 0;
}

bool MivFileData::canSetUserAndGroup() const { return false; }
bool MivFileData::canSetPermissions() const { return false; }
bool MivFileData::canSetModDate() const { return false; }
QString MivFileData::originalNameForRename() const { return QString(); }
bool MivFileData::emptyFileNameAllowed() const { return false; }
bool MivFileData::shouldRename() const { return false; }
bool MivFileData::rename(const QString&, bool, plat::Error*) { return false; }
MivFileDataPtr MivFileData::makeFileWithName(const QString&, plat::Error*) { return nullptr; }
MivFileDataPtr MivFileData::makeFolderWithName(const QString&, plat::Error*) { return nullptr; }

// --- Capabilities and kind ---

bool MivFileData::executable() const { return false; }
bool MivFileData::deletable() const { return true; }
bool MivFileData::readable() const { return true; }
bool MivFileData::writable() const { return false; }
bool MivFileData::hidden() const { return false; }
bool MivFileData::link() const { return false; }
bool MivFileData::folder() const { return false; }
bool MivFileData::exists() const { return true; }
QString MivFileData::displayInfo() const { return pathKey(); }
QString MivFileData::sourcePath() const { return pathKey(); }

QString MivFileData::realPath() const
{
    const QString target = linkPath();
    return target.isEmpty() ? sourcePath() : target;
}

std::optional<QStringList> MivFileData::availableUsers(bool) const { return std::nullopt; }
std::optional<QStringList> MivFileData::availableGroups(bool) const { return std::nullopt; }
QString MivFileData::nameForContext() const { return name(); }
bool MivFileData::isFolder() const { return folder(); }
bool MivFileData::isLocalFile() const { return dynamic_cast<const IMivLocalFile*>(this) != nullptr; }

bool MivFileData::isLocalURLFile() const
{
    // Only URL items (and their subclasses) adopt IMivUrlFile.
    return isLocalFile() && dynamic_cast<const IMivUrlFile*>(this) != nullptr;
}

void MivFileData::clearCache() { setLoaded(false); }

QStringList MivFileData::pureTags() const { return readField(_tags); }
std::optional<qint64> MivFileData::pureLabelNumber() const { return readField(_labelNumber); }
QString MivFileData::pureName() const { return readField(_name); }

void MivFileData::updateName(const QString& name)
{
    {
        std::lock_guard lock(plat::StripedLocks::forAddress(this));
        _name = name;
        _displayName = name;
        _ctxPath = QString();
    }
}

void MivFileData::setName(const QString& name) { updateName(name); }
void MivFileData::requestDataForFileInfo() {}

// --- Sizes: the forms that name their defaults ---

quint64 MivFileData::calculateSize() { return calculateSizeWithDelegate(nullptr); }

void MivFileData::updateSizeInBackground(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate)
{
    updateSize(delegate, true);
}

void MivFileData::updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate) { updateSize(delegate, false); }

void MivFileData::initializeDataIcon() { updateIconImage(resolveIcon()); }
void MivFileData::updateIconImage(const MivIconDescriptorPtr& icon) { writeField(_icon, icon); }

// --- Permissions and dates ---

void MivFileData::permsUpdated()
{
    std::lock_guard lock(_monitor);
    setPermsData(nullptr);
}

void MivFileData::updateModDate(const QDateTime& date)
{
    if (!date.isNull() && canSetModDate())
        setModificationDate(date);
}

bool MivFileData::updatePosix(const std::optional<qint64>& posix, const QString&, const QString&, plat::Error*)
{
    setPosix(posix);
    return true;
}

void MivFileData::setPosix(const std::optional<qint64>& posix) { writeField(_posix, posix); }

bool MivFileData::doOpen() { return !folder(); }
bool MivFileData::activate() { return true; }

bool MivFileData::listElementsToArray(QList<MivFileDataPtr>&, const MivListFilesParams&, const MivFileCallback&, plat::Error*)
{
    return true;
}

// --- Pasteboard: the class side makes no items ---

QStringList MivFileData::readableTypesForPasteboard(const QMimeData*) { return {}; }
int MivFileData::readingOptionsForType(const QString&, const QMimeData*) { return 0; }
MivFileDataPtr MivFileData::createWithPasteboardPropertyList(const QVariant&, const QString&) { return nullptr; }

// --- Stored fields ---

bool MivFileData::loaded() const { return _loaded.load(); }
void MivFileData::setLoaded(bool loaded) { _loaded.store(loaded); }
bool MivFileData::processLoading() const { return _processLoading.load(); }
void MivFileData::setProcessLoading(bool processLoading) { _processLoading.store(processLoading); }
bool MivFileData::refreshed() const { return _refreshed.load(); }
void MivFileData::setRefreshed(bool refreshed) { _refreshed.store(refreshed); }
QString MivFileData::displayName() const { return readField(_displayName); }
void MivFileData::setDisplayName(const QString& displayName) { writeField(_displayName, displayName); }
QString MivFileData::tooltip() const { return readField(_tooltip); }
void MivFileData::setTooltip(const QString& tooltip) { writeField(_tooltip, tooltip); }
QByteArray MivFileData::headerData() const { return readField(_headerData); }
void MivFileData::setHeaderData(const QByteArray& headerData) { writeField(_headerData, headerData); }
std::optional<qint64> MivFileData::posix() const { return readField(_posix); }

QList<std::weak_ptr<IMivFileWatcherContextDelegate>> MivFileData::watchedDelegates() const
{
    return readField(_watchedDelegates);
}

void MivFileData::setWatchedDelegates(const QList<std::weak_ptr<IMivFileWatcherContextDelegate>>& watchedDelegates)
{
    writeField(_watchedDelegates, watchedDelegates);
}

namespace {

bool sameWatcher(const std::weak_ptr<IMivFileWatcherContextDelegate>& entry,
                 const std::shared_ptr<IMivFileWatcherContextDelegate>& watcher)
{
    // Compares control blocks, so it works without locking the entry.
    return !entry.owner_before(watcher) && !watcher.owner_before(entry);
}

} // namespace

void MivFileData::addWatchedDelegate(const std::shared_ptr<IMivFileWatcherContextDelegate>& watcher)
{
    if (!watcher)
        return;
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    for (const auto& entry : _watchedDelegates) {
        if (sameWatcher(entry, watcher))
            return;
    }
    _watchedDelegates.append(watcher);
}

void MivFileData::removeWatchedDelegate(const std::shared_ptr<IMivFileWatcherContextDelegate>& watcher)
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    // Gone watchers are dropped on the way; the list holds weak references
    // only, so nothing is destroyed under the lock.
    _watchedDelegates.removeIf([&](const std::weak_ptr<IMivFileWatcherContextDelegate>& entry) {
        return entry.expired() || sameWatcher(entry, watcher);
    });
}

bool MivFileData::calulatingSize() const { return _calulatingSize.load(); }
void MivFileData::setCalulatingSize(bool calulatingSize) { _calulatingSize.store(calulatingSize); }
QVariant MivFileData::fileIdent() const { return readField(_fileIdent); }
void MivFileData::setFileIdent(const QVariant& fileIdent) { writeField(_fileIdent, fileIdent); }
std::optional<qint64> MivFileData::labelNumber() const { return readField(_labelNumber); }
void MivFileData::setLabelNumber(const std::optional<qint64>& labelNumber) { writeField(_labelNumber, labelNumber); }
QStringList MivFileData::tags() const { return readField(_tags); }
void MivFileData::setTags(const QStringList& tags) { writeField(_tags, tags); }
QString MivFileData::owner() const { return readField(_owner); }
void MivFileData::setOwner(const QString& owner) { writeField(_owner, owner); }
QString MivFileData::group() const { return readField(_group); }
void MivFileData::setGroup(const QString& group) { writeField(_group, group); }
QString MivFileData::extenssion() const { return readField(_extenssion); }
void MivFileData::setExtenssion(const QString& extenssion) { writeField(_extenssion, extenssion); }
QString MivFileData::name() const { return readField(_name); }
MivIconDescriptorPtr MivFileData::icon() const { return readField(_icon); }
void MivFileData::setIcon(const MivIconDescriptorPtr& icon) { writeField(_icon, icon); }
QString MivFileData::type() const { return readField(_type); }
void MivFileData::setType(const QString& type) { writeField(_type, type); }
qint64 MivFileData::size() const { return _size.load(); }
void MivFileData::setSize(qint64 size) { _size.store(size); }
qint64 MivFileData::physicalSize() const { return _physicalSize.load(); }
void MivFileData::setPhysicalSize(qint64 physicalSize) { _physicalSize.store(physicalSize); }
QString MivFileData::utiType() const { return readField(_utiType); }
void MivFileData::setUtiType(const QString& utiType) { writeField(_utiType, utiType); }
QDateTime MivFileData::addedDate() const { return readField(_addedDate); }
void MivFileData::setAddedDate(const QDateTime& date) { writeField(_addedDate, date); }
QDateTime MivFileData::stateChangeDate() const { return readField(_stateChangeDate); }
void MivFileData::setStateChangeDate(const QDateTime& date) { writeField(_stateChangeDate, date); }
QDateTime MivFileData::lastAccessDate() const { return readField(_lastAccessDate); }
void MivFileData::setLastAccessDate(const QDateTime& date) { writeField(_lastAccessDate, date); }
QDateTime MivFileData::creationDate() const { return readField(_creationDate); }
void MivFileData::setCreationDate(const QDateTime& date) { writeField(_creationDate, date); }
QDateTime MivFileData::modificationDate() const { return readField(_modificationDate); }
void MivFileData::setModificationDate(const QDateTime& date) { writeField(_modificationDate, date); }
MivFileDataPtr MivFileData::parent() const { return readField(_parent); }
void MivFileData::setParent(const MivFileDataPtr& parent) { writeField(_parent, parent); }
MivFileDataPtr MivFileData::uiParent() const { return readField(_uiParent); }
void MivFileData::setUiParent(const MivFileDataPtr& uiParent) { writeField(_uiParent, uiParent); }
QString MivFileData::linkPath() const { return readField(_linkPath); }
void MivFileData::setLinkPath(const QString& linkPath) { writeField(_linkPath, linkPath); }
QColor MivFileData::defColor() const { return readField(_defColor); }
void MivFileData::setDefColor(const QColor& defColor) { writeField(_defColor, defColor); }
void MivFileData::setShortInfo(const QString& shortInfo) { writeField(_shortInfo, shortInfo); }
QString MivFileData::ctxPath() const { return readField(_ctxPath); }
void MivFileData::setCtxPath(const QString& ctxPath) { writeField(_ctxPath, ctxPath); }
QString MivFileData::storedShortInfo() const { return readField(_shortInfo); }
PermsDataPtr MivFileData::permsData() const { return readField(_permsData); }
void MivFileData::setPermsData(const PermsDataPtr& permsData) { writeField(_permsData, permsData); }
