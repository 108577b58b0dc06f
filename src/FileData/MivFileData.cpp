#include "FileData/MivFileData.h"

#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/IMivLocalFile.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/MivFileUtils.h"
#include "FileData/PermsData.h"
#include "platform/PathString.h"

#include <functional>

// Every field here is guarded by the item's stripe lock, as the inline ones.
struct MivFileData::SideFields
{
    QDateTime addedDate;
    QDateTime stateChangeDate;
    QDateTime modificationDate;
    QDateTime lastAccessDate;
    QDateTime creationDate;
    std::optional<qint64> labelNumber;
    QStringList tags;
    QString type;
    QString utiType;
    QString owner;
    QString group;
    std::optional<qint64> posix;
    PermsDataPtr permsData;
    QString extenssion;   // when it is not the name's (ExtensionSource::Stored)
    QVariant fileIdent;
    QString ctxPath;
    QString displayName;  // when it is neither the name nor its stem (DisplayNameSource::Stored)
    QString tooltip;
    QByteArray headerData;
    QList<std::weak_ptr<IMivFileWatcherContextDelegate>> watchedDelegates;
    QString linkPath;
    QColor defColor;
    QString shortInfo;
};

namespace {

// Whether a value is the one a field without side structure reads, so that
// writing it need not make the structure. Null and empty texts differ (a
// null cache means "not made yet"), so only a null one counts.
bool isUnset(const QString& value) { return value.isNull(); }
bool isUnset(const QByteArray& value) { return value.isNull(); }
bool isUnset(const std::optional<qint64>& value) { return !value; }
template <class T>
bool isUnset(const QList<T>& value)
{
    return value.isEmpty();
}
template <class T>
bool isUnset(const std::shared_ptr<T>& value)
{
    return !value;
}
// Dates, variants and colours have more than one empty form: always stored.
template <class T>
bool isUnset(const T&)
{
    return false;
}

// Equal texts that are also both null or both not: a derived value stands
// in for a stored one only when nothing could tell them apart.
bool sameText(const QString& a, const QString& b) { return a.isNull() == b.isNull() && a == b; }

QString extensionOfName(const QString& name) { return MivFileUtils::resolveExtension(name); }
QString nameWithoutExtension(const QString& name)
{
    if (name.isNull())
        return QString();
    const QStringView stem = MivFileUtils::stemView(name);
    return stem.size() == name.size() ? name : stem.toString();
}
// sameText(text, extensionOfName(name)) and sameText(text,
// nameWithoutExtension(name)), without making the derived text: every
// refresh compares both.
bool isExtensionOf(const QString& text, const QString& name)
{
    const QStringView extension = name.isNull() ? QStringView() : MivFileUtils::extensionView(name);
    return extension.isEmpty() ? text.isNull() : !text.isNull() && text == extension;
}
bool isStemOf(const QString& text, const QString& name)
{
    if (name.isNull() || text.isNull())
        return name.isNull() && text.isNull();
    return text == MivFileUtils::stemView(name);
}

} // namespace

template <class T>
T MivFileData::readSide(T SideFields::*field) const
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    return _side ? (*_side).*field : T();
}

template <class T>
void MivFileData::writeSide(T SideFields::*field, T value)
{
    {
        std::lock_guard lock(plat::StripedLocks::forAddress(this));
        if (!_side) {
            if (isUnset(value))
                return;
            _side = std::make_unique<SideFields>();
        }
        std::swap((*_side).*field, value);
    }
    // The old value (perhaps the last reference to an item) goes here, unlocked.
}

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

QStringList MivFileData::pureTags() const { return readSide(&SideFields::tags); }
std::optional<qint64> MivFileData::pureLabelNumber() const { return readSide(&SideFields::labelNumber); }
QString MivFileData::pureName() const { return readField(_name); }

void MivFileData::updateName(const QString& name)
{
    willChangeName();
    storeName(name);
}

void MivFileData::storeName(const QString& name)
{
    QString oldName = name;
    QString oldContextPath;
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    // An extension that followed the old name stays what it was.
    if (_extensionSource == ExtensionSource::Name) {
        const QString extension = extensionOfName(_name);
        if (!isExtensionOf(extension, name)) {
            if (!_side)
                _side = std::make_unique<SideFields>();
            _side->extenssion = extension;
            _extensionSource = ExtensionSource::Stored;
        }
    }
    std::swap(_name, oldName);
    _displayNameSource = DisplayNameSource::Name;
    if (_side) {
        _side->displayName = QString();
        std::swap(_side->ctxPath, oldContextPath);
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
    std::lock_guard lock(monitor());
    ++_permsGeneration;
    setPermsData(nullptr);
}

void MivFileData::updateModDate(const QDateTime& date)
{
    applyModDate(date, nullptr);
}

bool MivFileData::applyModDate(const QDateTime& date, plat::Error*)
{
    if (!date.isNull() && canSetModDate())
        setModificationDate(date);
    return true;
}

bool MivFileData::updatePosix(const std::optional<qint64>& posix, const QString&, const QString&, plat::Error*)
{
    setPosix(posix);
    return true;
}

void MivFileData::setPosix(const std::optional<qint64>& posix) { writeSide(&SideFields::posix, posix); }

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
QString MivFileData::displayName() const
{
    QString name;
    DisplayNameSource source;
    {
        std::lock_guard lock(plat::StripedLocks::forAddress(this));
        source = _displayNameSource;
        if (source == DisplayNameSource::Stored)
            return _side ? _side->displayName : QString();
        name = _name;
    }
    return source == DisplayNameSource::Name ? name : nameWithoutExtension(name);
}

void MivFileData::setDisplayName(const QString& displayName)
{
    const QString name = pureName();
    const bool isStem = isStemOf(displayName, name);
    QString old = displayName;
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    // The name may have changed since it was read: then the text is stored.
    const bool current = _name.isNull() == name.isNull() && _name.constData() == name.constData();
    if (current && sameText(displayName, name)) {
        _displayNameSource = DisplayNameSource::Name;
        old = QString();
    } else if (current && isStem) {
        _displayNameSource = DisplayNameSource::NameWithoutExtension;
        old = QString();
    } else {
        _displayNameSource = DisplayNameSource::Stored;
        if (!_side && isUnset(displayName))
            return;
        if (!_side)
            _side = std::make_unique<SideFields>();
    }
    if (_side)
        std::swap(_side->displayName, old);
}

QString MivFileData::tooltip() const { return readSide(&SideFields::tooltip); }
void MivFileData::setTooltip(const QString& tooltip) { writeSide(&SideFields::tooltip, tooltip); }
QByteArray MivFileData::headerData() const { return readSide(&SideFields::headerData); }
void MivFileData::setHeaderData(const QByteArray& headerData) { writeSide(&SideFields::headerData, headerData); }
std::optional<qint64> MivFileData::posix() const { return readSide(&SideFields::posix); }

QList<std::weak_ptr<IMivFileWatcherContextDelegate>> MivFileData::watchedDelegates() const
{
    return readSide(&SideFields::watchedDelegates);
}

void MivFileData::setWatchedDelegates(const QList<std::weak_ptr<IMivFileWatcherContextDelegate>>& watchedDelegates)
{
    writeSide(&SideFields::watchedDelegates, watchedDelegates);
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
    if (!_side)
        _side = std::make_unique<SideFields>();
    for (const auto& entry : _side->watchedDelegates) {
        if (sameWatcher(entry, watcher))
            return;
    }
    _side->watchedDelegates.append(watcher);
}

void MivFileData::removeWatchedDelegate(const std::shared_ptr<IMivFileWatcherContextDelegate>& watcher)
{
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    if (!_side)
        return;
    // Gone watchers are dropped on the way; the list holds weak references
    // only, so nothing is destroyed under the lock.
    _side->watchedDelegates.removeIf([&](const std::weak_ptr<IMivFileWatcherContextDelegate>& entry) {
        return entry.expired() || sameWatcher(entry, watcher);
    });
}

bool MivFileData::calulatingSize() const { return _calulatingSize.load(); }
void MivFileData::setCalulatingSize(bool calulatingSize) { _calulatingSize.store(calulatingSize); }
QVariant MivFileData::fileIdent() const { return readSide(&SideFields::fileIdent); }
void MivFileData::setFileIdent(const QVariant& fileIdent) { writeSide(&SideFields::fileIdent, fileIdent); }
std::optional<qint64> MivFileData::labelNumber() const { return readSide(&SideFields::labelNumber); }
void MivFileData::setLabelNumber(const std::optional<qint64>& labelNumber) { writeSide(&SideFields::labelNumber, labelNumber); }
QStringList MivFileData::tags() const { return readSide(&SideFields::tags); }
void MivFileData::setTags(const QStringList& tags) { writeSide(&SideFields::tags, tags); }
QString MivFileData::owner() const { return readSide(&SideFields::owner); }
void MivFileData::setOwner(const QString& owner) { writeSide(&SideFields::owner, owner); }
QString MivFileData::group() const { return readSide(&SideFields::group); }
void MivFileData::setGroup(const QString& group) { writeSide(&SideFields::group, group); }
QString MivFileData::extenssion() const
{
    QString name;
    {
        std::lock_guard lock(plat::StripedLocks::forAddress(this));
        if (_extensionSource == ExtensionSource::Stored)
            return _side ? _side->extenssion : QString();
        name = _name;
    }
    return extensionOfName(name);
}

void MivFileData::setExtenssion(const QString& extenssion)
{
    const QString name = pureName();
    const bool ofName = isExtensionOf(extenssion, name);
    QString old = extenssion;
    std::lock_guard lock(plat::StripedLocks::forAddress(this));
    // Derived only while the name it was compared with is still the name.
    if (ofName && _name.isNull() == name.isNull() && _name.constData() == name.constData()) {
        _extensionSource = ExtensionSource::Name;
        old = QString();
    } else {
        _extensionSource = ExtensionSource::Stored;
        if (!_side && isUnset(extenssion))
            return;
        if (!_side)
            _side = std::make_unique<SideFields>();
    }
    if (_side)
        std::swap(_side->extenssion, old);
}
QString MivFileData::name() const { return readField(_name); }
MivIconDescriptorPtr MivFileData::icon() const { return readField(_icon); }
void MivFileData::setIcon(const MivIconDescriptorPtr& icon) { writeField(_icon, icon); }
QString MivFileData::type() const { return readSide(&SideFields::type); }
void MivFileData::setType(const QString& type) { writeSide(&SideFields::type, type); }
qint64 MivFileData::size() const { return _size.load(); }
void MivFileData::setSize(qint64 size) { _size.store(size); }
qint64 MivFileData::physicalSize() const { return _physicalSize.load(); }
void MivFileData::setPhysicalSize(qint64 physicalSize) { _physicalSize.store(physicalSize); }
QString MivFileData::utiType() const { return readSide(&SideFields::utiType); }
void MivFileData::setUtiType(const QString& utiType) { writeSide(&SideFields::utiType, utiType); }
QDateTime MivFileData::addedDate() const { return readSide(&SideFields::addedDate); }
void MivFileData::setAddedDate(const QDateTime& date) { writeSide(&SideFields::addedDate, date); }
QDateTime MivFileData::stateChangeDate() const { return readSide(&SideFields::stateChangeDate); }
void MivFileData::setStateChangeDate(const QDateTime& date) { writeSide(&SideFields::stateChangeDate, date); }
QDateTime MivFileData::lastAccessDate() const { return readSide(&SideFields::lastAccessDate); }
void MivFileData::setLastAccessDate(const QDateTime& date) { writeSide(&SideFields::lastAccessDate, date); }
QDateTime MivFileData::creationDate() const { return readSide(&SideFields::creationDate); }
void MivFileData::setCreationDate(const QDateTime& date) { writeSide(&SideFields::creationDate, date); }
QDateTime MivFileData::modificationDate() const { return readSide(&SideFields::modificationDate); }
void MivFileData::setModificationDate(const QDateTime& date) { writeSide(&SideFields::modificationDate, date); }
MivFileDataPtr MivFileData::parent() const { return readField(_parent); }
void MivFileData::setParent(const MivFileDataPtr& parent) { writeField(_parent, parent); }
MivFileDataPtr MivFileData::uiParent() const { return readField(_uiParent); }
void MivFileData::setUiParent(const MivFileDataPtr& uiParent) { writeField(_uiParent, uiParent); }
QString MivFileData::linkPath() const { return readSide(&SideFields::linkPath); }
void MivFileData::setLinkPath(const QString& linkPath) { writeSide(&SideFields::linkPath, linkPath); }
QColor MivFileData::defColor() const { return readSide(&SideFields::defColor); }
void MivFileData::setDefColor(const QColor& defColor) { writeSide(&SideFields::defColor, defColor); }
void MivFileData::setShortInfo(const QString& shortInfo) { writeSide(&SideFields::shortInfo, shortInfo); }
QString MivFileData::ctxPath() const { return readSide(&SideFields::ctxPath); }
void MivFileData::setCtxPath(const QString& ctxPath) { writeSide(&SideFields::ctxPath, ctxPath); }
QString MivFileData::storedShortInfo() const { return readSide(&SideFields::shortInfo); }
PermsDataPtr MivFileData::permsData() const { return readSide(&SideFields::permsData); }
void MivFileData::setPermsData(const PermsDataPtr& permsData) { writeSide(&SideFields::permsData, permsData); }
