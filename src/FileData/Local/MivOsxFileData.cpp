#include "FileData/Local/MivOsxFileData.h"

#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/Local/MivOsxIdNames.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivItemHooks.h"
#include "platform/ExtendedAttributes.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <QHash>
#include <QHashFunctions>
#include <QMimeDatabase>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace {

std::shared_ptr<IMivFileDataPropertiesProvider> settings() { return MivFileDataHelpers::fileDataPropertiesProvider(); }

bool treatPackagesAsFolders()
{
    const auto provider = settings();
    return provider && provider->treatPackagesAsFolders();
}

// An extended attribute of the entry itself (not of a link's target);
// null when it is absent or cannot be read.
QByteArray entryAttribute(const QString& path, const char* name)
{
    return plat::ExtendedAttributes::value(path, name, plat::ExtendedAttributes::Links::Entry);
}

// MIME names and comments shared by every item of a type: QMimeType hands
// out new strings on each call, and the comment is looked up again each time.
struct TypeTexts
{
    QString name;
    QString comment;
};

TypeTexts typeTexts(const QMimeType& type)
{
    static std::mutex mutex;
    static QHash<QString, TypeTexts> known;
    const QString name = type.name();
    {
        std::lock_guard lock(mutex);
        const auto found = known.constFind(name);
        if (found != known.cend())
            return *found;
    }
    TypeTexts made{name, type.comment()};
    std::lock_guard lock(mutex);
    return *known.insert(name, known.value(name, made));
}

QDateTime dateOfNanoseconds(qint64 ns)
{
    if (ns == MivOsxFileAttributes::kNoTime)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(ns / 1000000, Qt::UTC);
}

QDateTime dateOfWholeSeconds(qint64 ns)
{
    if (ns == MivOsxFileAttributes::kNoTime)
        return QDateTime();
    qint64 seconds = ns / 1000000000;
    if (ns < 0 && ns % 1000000000 != 0)
        --seconds;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

} // namespace

MivOsxFileData::MivOsxFileData(const QUrl& url) : MivUrlFileData(url) {}

MivOsxFileData::~MivOsxFileData() = default;

// --- Bits and snapshot ---

void MivOsxFileData::setBit(quint32 bit, bool on) const
{
    if (on)
        _bits.fetch_or(bit, std::memory_order_acq_rel);
    else
        _bits.fetch_and(~bit, std::memory_order_acq_rel);
}

MivOsxFileAttributesPtr MivOsxFileData::attributes() const { return _attributes.load(std::memory_order_acquire); }

MivOsxFileAttributesPtr MivOsxFileData::currentAttributes() const
{
    MivOsxFileAttributesPtr current = attributes();
    if (current)
        return current;
    const QString path = itemPath();
    if (path.isEmpty())
        return nullptr;
    MivOsxFileAttributesPtr read = MivOsxFileAttributes::read(plat::Path::toNative(path));
    // A refresh that stored its own snapshot meanwhile wins.
    if (_attributes.compare_exchange_strong(current, read, std::memory_order_acq_rel))
        return read;
    return current;
}

void MivOsxFileData::storeAttributes(MivOsxFileAttributesPtr attributes)
{
    _attributes.store(std::move(attributes), std::memory_order_release);
}

void MivOsxFileData::adoptAttributes(const MivOsxFileAttributesPtr& attributes)
{
    if (!attributes)
        return;
    storeAttributes(attributes);
    setBit(AttributesPending, true);
}

void MivOsxFileData::refreshWithAttributes(const MivOsxFileAttributesPtr& attributes)
{
    adoptAttributes(attributes);
    refresh();
}

// The key is kept with the item; building its URL (or joining its path)
// would cost an allocation per item.
bool MivOsxFileData::hasAddress() const { return hasPathKey(); }

// The base keeps the path (or decodes it from the URL); asking it rather
// than decoding here lets every reader share whatever it keeps.
QString MivOsxFileData::itemPath() const { return sourcePath(); }

QString MivOsxFileData::contentPath() const
{
    const QString target = linkPath();
    return target.isEmpty() ? itemPath() : target;
}

// --- Own properties ---

bool MivOsxFileData::alias() const { return hasBit(Alias); }
bool MivOsxFileData::filePackage() const { return hasBit(FilePackage); }
bool MivOsxFileData::remote() const { return hasBit(Remote); }
void MivOsxFileData::setRemote(bool remote) { setBit(Remote, remote); }

bool MivOsxFileData::showContentAllowed() const { return hasBit(ShowContentAllowed) || treatPackagesAsFolders(); }

void MivOsxFileData::setShowContentAllowed(bool allowed) { setBit(ShowContentAllowed, allowed); }

// --- Flags and capabilities ---

bool MivOsxFileData::exists() const
{
    if (!MivUrlFileData::exists())
        return false;
    struct stat info {};
    return ::stat(plat::Path::toNative(itemPath()).constData(), &info) == 0;
}

bool MivOsxFileData::lazyFlag(quint32 valueBit, quint32 mark, bool (MivOsxFileData::*read)() const) const
{
    if (hasBit(mark) || !hasAddress())
        return hasBit(valueBit);
    const bool value = (this->*read)();
    setBit(valueBit, value);
    setBit(mark, true);
    return value;
}

bool MivOsxFileData::readReadable() const
{
    return ::faccessat(AT_FDCWD, plat::Path::toNative(itemPath()).constData(), R_OK, AT_EACCESS) == 0;
}

bool MivOsxFileData::readWritable() const
{
    return ::faccessat(AT_FDCWD, plat::Path::toNative(itemPath()).constData(), W_OK, AT_EACCESS) == 0;
}

bool MivOsxFileData::readExecutable() const
{
    return ::faccessat(AT_FDCWD, plat::Path::toNative(itemPath()).constData(), X_OK, AT_EACCESS) == 0;
}

bool MivOsxFileData::readDeletable() const
{
    // Removing an entry changes its folder: the folder must be writable and
    // searchable, and in a sticky folder the entry or the folder must be ours.
    const QString path = itemPath();
    if (path.isEmpty() || path == QLatin1String("/"))
        return false;
    const QByteArray folder = plat::Path::toNative(plat::PathString::deletingLastPathComponent(path));
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    struct stat folderInfo {};
    struct stat entryInfo {};
    if (::stat(folder.constData(), &folderInfo) != 0 || ::lstat(plat::Path::toNative(path).constData(), &entryInfo) != 0)
        return false;
    const uid_t me = ::geteuid();
    if ((folderInfo.st_mode & S_ISVTX) && me != 0)
        return entryInfo.st_uid == me || folderInfo.st_uid == me;
    return true;
}

bool MivOsxFileData::readable() const { return lazyFlag(Readable, MarkReadable, &MivOsxFileData::readReadable); }
bool MivOsxFileData::writable() const { return lazyFlag(Writable, MarkWritable, &MivOsxFileData::readWritable); }
bool MivOsxFileData::executable() const { return lazyFlag(Executable, MarkExecutable, &MivOsxFileData::readExecutable); }
bool MivOsxFileData::deletable() const { return lazyFlag(Deletable, MarkDeletable, &MivOsxFileData::readDeletable); }

bool MivOsxFileData::isFolder() const
{
    if (filePackage())
        return treatPackagesAsFolders() && folder();
    return MivUrlFileData::isFolder();
}

int MivOsxFileData::sortKey() const
{
    if (filePackage()) {
        const auto provider = settings();
        if (provider && provider->packagesFirst())
            return -2;
        if (!provider || !provider->treatPackagesAsFolders())
            return 0;
    }
    return MivUrlFileData::sortKey();
}

bool MivOsxFileData::isLocked() const { return false; }
bool MivOsxFileData::canSetUserAndGroup() const { return true; }
bool MivOsxFileData::canSetPermissions() const { return true; }
bool MivOsxFileData::canSetModDate() const { return true; }
bool MivOsxFileData::shouldRename() const { return true; }
bool MivOsxFileData::renameOverwriteEnabled() const { return true; }

// --- Attributes ---

QStringList MivOsxFileData::tags() const
{
    if (remote() || hasBit(TagsRead) || !hasAddress())
        return MivUrlFileData::tags();
    QStringList tags;
    const QByteArray value = entryAttribute(itemPath(), "user.xdg.tags");
    for (const QString& tag : QString::fromUtf8(value).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString trimmed = tag.trimmed();
        if (!trimmed.isEmpty())
            tags.append(trimmed);
    }
    // Stored through the base, which keeps the field; tags are rarely set,
    // so nothing is written for the common empty answer.
    if (!tags.isEmpty() || !MivUrlFileData::tags().isEmpty())
        const_cast<MivOsxFileData*>(this)->MivUrlFileData::setTags(tags);
    setBit(TagsRead, true);
    return tags;
}

std::optional<qint64> MivOsxFileData::labelNumber() const
{
    if (remote() || !hasAddress())
        return MivUrlFileData::labelNumber();
    if (hasBit(LabelRead))
        return MivUrlFileData::labelNumber().value_or(0);
    const QByteArray value = entryAttribute(itemPath(), "user.mivo.label");
    bool ok = false;
    const qint64 number = value.trimmed().toLongLong(&ok);
    const std::optional<qint64> label = ok ? number : 0;
    const_cast<MivOsxFileData*>(this)->MivUrlFileData::setLabelNumber(label);
    setBit(LabelRead, true);
    return label;
}

QDateTime MivOsxFileData::modificationDate() const
{
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (current && current->valid())
        return dateOfNanoseconds(current->modificationTime());
    return MivUrlFileData::modificationDate();
}

void MivOsxFileData::setModificationDate(const QDateTime& date)
{
    const MivOsxFileAttributesPtr current = attributes();
    if (current && current->valid()) {
        const qint64 ns = date.isValid() ? date.toMSecsSinceEpoch() * 1000000 : MivOsxFileAttributes::kNoTime;
        storeAttributes(current->withModificationTime(ns));
        return;
    }
    MivUrlFileData::setModificationDate(date);
}

QString MivOsxFileData::owner() const
{
    QString stored = MivUrlFileData::owner();
    if (!stored.isEmpty())
        return stored;
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (current && current->valid() && current->hasTarget())
        return MivOsxIdNames::userText(current->uid());
    return stored;
}

QString MivOsxFileData::group() const
{
    QString stored = MivUrlFileData::group();
    if (!stored.isEmpty())
        return stored;
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (current && current->valid() && current->hasTarget())
        return MivOsxIdNames::groupText(current->gid());
    return stored;
}

std::optional<qint64> MivOsxFileData::posix() const
{
    if (const std::optional<qint64> stored = MivUrlFileData::posix())
        return stored;
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (current && current->valid() && current->hasTarget())
        return qint64(current->mode() & 0xFFFF);
    return std::nullopt;
}

QString MivOsxFileData::utiType() const
{
    if (!hasBit(MarkUtiType) && hasAddress())
        const_cast<MivOsxFileData*>(this)->updateTypeInfo(resolveTypeInfo());
    return MivUrlFileData::utiType();
}

QString MivOsxFileData::type() const
{
    if (!hasBit(MarkUtiType) && hasAddress())
        const_cast<MivOsxFileData*>(this)->updateTypeInfo(resolveTypeInfo());
    return MivUrlFileData::type();
}

MivIconDescriptorPtr MivOsxFileData::icon() const
{
    if (MivIconDescriptorPtr stored = MivUrlFileData::icon())
        return stored;
    // The shared placeholder, answered rather than stored: a listing of
    // 100k entries keeps no pointer per item for it.
    return placeholderIcon();
}

MivIconDescriptorPtr MivOsxFileData::placeholderIcon() const
{
    return folder() && !filePackage() ? MivFileUtils::defaultFolderIconImage() : MivFileUtils::notLoadedImage();
}

// --- Readers ---

QVariantMap MivOsxFileData::resolveStatDataForPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    struct stat info {};
    // A vanished entry gives nothing rather than values of no file.
    if (::stat(plat::Path::toNative(path).constData(), &info) != 0)
        return {};
    return {
        {QStringLiteral("user"), MivOsxIdNames::userText(info.st_uid)},
        {QStringLiteral("group"), MivOsxIdNames::groupText(info.st_gid)},
        {QStringLiteral("posix"), qint64(info.st_mode & 0xFFFF)},
    };
}

void MivOsxFileData::resolveStatData()
{
    const QVariantMap data = resolveStatDataForPath(itemPath());
    if (data.isEmpty())
        return;
    setOwner(data.value(QStringLiteral("user")).toString());
    setGroup(data.value(QStringLiteral("group")).toString());
    const QVariant posix = data.value(QStringLiteral("posix"));
    if (posix.isValid())
        setSuperPosix(posix.toLongLong());
}

void MivOsxFileData::setSuperPosix(const std::optional<qint64>& posix)
{
    MivUrlFileData::setPosix(posix);
    permsUpdated();
}

QVariantMap MivOsxFileData::resolveTypeInfo(bool byContent) const
{
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (!current || !current->valid())
        return {};
    // A dangling link has no kind.
    if (current->isSymbolicLink() && !current->hasTarget())
        return {};
    static const QMimeDatabase database;
    QMimeType mime;
    if (current->isDirectory()) {
        mime = database.mimeTypeForName(QStringLiteral("inode/directory"));
    } else {
        const QString path = contentPath();
        mime = database.mimeTypeForFile(plat::PathString::lastPathComponent(path), QMimeDatabase::MatchExtension);
        if (mime.isDefault() && byContent && S_ISREG(current->mode())) {
            const QByteArray head = MivFileUtils::readFileHead(path);
            if (!head.isNull())
                mime = database.mimeTypeForData(head);
        }
    }
    if (!mime.isValid())
        return {};
    const TypeTexts texts = typeTexts(mime);
    return {{QStringLiteral("type"), texts.name}, {QStringLiteral("typename"), texts.comment}};
}

void MivOsxFileData::updateTypeInfo(const std::optional<QVariantMap>& typeInfo)
{
    if (typeInfo) {
        setUtiType(typeInfo->value(QStringLiteral("type")).toString());
        setType(typeInfo->value(QStringLiteral("typename")).toString());
        // Absent values are stored as empty texts, not as nothing.
        if (MivUrlFileData::utiType().isNull())
            setUtiType(QLatin1String(""));
        if (MivUrlFileData::type().isNull())
            setType(QLatin1String(""));
    }
    setBit(MarkUtiType, true);
}

QVariantMap MivOsxFileData::processDates() const
{
    const QString path = itemPath();
    if (path.isEmpty())
        return {};
    MivOsxFileDates read;
    if (!MivOsxFileDates::read(plat::Path::toNative(path), &read))
        return {};
    QVariantMap dates;
    if (QDateTime date = dateOfWholeSeconds(read.access); date.isValid())
        dates.insert(QStringLiteral("accessTime"), date);
    if (QDateTime date = dateOfWholeSeconds(read.statusChange); date.isValid())
        dates.insert(QStringLiteral("stateChgTime"), date);
    if (QDateTime date = dateOfWholeSeconds(read.birth); date.isValid())
        dates.insert(QStringLiteral("createTime"), date);
    return dates;
}

QVariant MivOsxFileData::fileIdent() const
{
    // Derived from the snapshot, so an item stores nothing for it; a stored
    // identity (pinned when the file changed, or given) wins.
    QVariant stored = MivUrlFileData::fileIdent();
    if (stored.isValid())
        return stored;
    // Read on first use too: equal items must hash alike, and equality
    // prefers the identity whenever both items have one.
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (current && current->valid())
        return QVariant::fromValue(current->ident());
    return stored;
}

void MivOsxFileData::updateFileIdent(const QVariant& ident)
{
    if (fileIdent().isValid() || !hasAddress())
        return;
    if (ident.isValid()) {
        setFileIdent(ident);
        return;
    }
    const MivOsxFileAttributesPtr current = currentAttributes();
    if (current && current->valid())
        setFileIdent(QVariant::fromValue(current->ident()));
}

quint32 MivOsxFileData::markBit(const QString& name)
{
    static const QHash<QString, quint32> bits{
        {QStringLiteral("deletable"), MarkDeletable},       {QStringLiteral("executable"), MarkExecutable},
        {QStringLiteral("readable"), MarkReadable},         {QStringLiteral("writable"), MarkWritable},
        {QStringLiteral("creationDate"), MarkCreationDate}, {QStringLiteral("lastAccessDate"), MarkLastAccessDate},
        {QStringLiteral("addedDate"), MarkAddedDate},       {QStringLiteral("utiType"), MarkUtiType},
    };
    return bits.value(name, 0);
}

void MivOsxFileData::addAttr(const QString& name)
{
    if (const quint32 bit = markBit(name))
        setBit(bit, true);
}

void MivOsxFileData::removeAttr(const QString& name)
{
    if (const quint32 bit = markBit(name))
        setBit(bit, false);
}

bool MivOsxFileData::containsAttr(const QString& name) const
{
    const quint32 bit = markBit(name);
    return bit && hasBit(bit);
}

// --- Refresh and cache ---

void MivOsxFileData::refresh()
{
    std::lock_guard lock(monitor());
    if (!hasAddress())
        return;
    refreshBaseData();
    MivUrlFileData::refresh();
}

void MivOsxFileData::refreshBaseData()
{
    const QString path = itemPath();
    if (path.isEmpty())
        return;

    // Tags and label are read again on next use.
    if (_bits.fetch_and(~(TagsRead | LabelRead), std::memory_order_acq_rel) & (TagsRead | LabelRead)) {
        if (!MivUrlFileData::tags().isEmpty())
            MivUrlFileData::setTags(QStringList());
        MivUrlFileData::setLabelNumber(std::nullopt);
    }

    const MivOsxFileAttributesPtr previous = attributes();
    MivOsxFileAttributesPtr current;
    if (_bits.fetch_and(~AttributesPending, std::memory_order_acq_rel) & AttributesPending)
        current = previous;
    if (!current)
        current = MivOsxFileAttributes::read(plat::Path::toNative(path));
    // Only the first identity sticks: when the entry is now another file (or
    // none), the identity seen so far is kept before the snapshot changes.
    if (previous && previous->valid() && !MivUrlFileData::fileIdent().isValid()
        && (!current->valid() || !(current->ident() == previous->ident())))
        setFileIdent(QVariant::fromValue(previous->ident()));
    storeAttributes(current);

    if (!current->valid() && MivUrlFileData::modificationDate().isValid())
        MivUrlFileData::setModificationDate(QDateTime());
    if (pureName().isNull())
        updateName(plat::PathString::lastPathComponent(path));

    // What the entry was before says nothing about what it is now: a link
    // replaced by a plain file must not keep its old target.
    setLink(current->isSymbolicLink());
    setLinkPath(QString());
    setBit(Alias, false);
    if (current->isSymbolicLink())
        findLinkTarget(path, *current);
    // No aliases here (resolveAliasFile finds none), so no alias step.

    if (current->valid()) {
        setFolder(current->isDirectory());
    } else {
        MIV_LOG_INFO(QStringLiteral("Cannot verify whether entry is directory (probably access denied): %1").arg(pathKey()));
        setHiden(true);
    }

    // The placeholder follows the folder flag by itself (see icon()).
    if (folder()) {
        updateFolderSizeState();
    } else {
        setSize(current->valid() ? current->size() : 0);
        setPhysicalSize(current->valid() ? current->allocatedSize() : 0);
    }
}

void MivOsxFileData::clearCache()
{
    const auto cache = MivOsxFileDataCache::sharedInstance();
    cache->removeForKey(MivOsxFileDataCache::preparedPath(pathKey()));
    const QString real = realPath();
    if (!real.isEmpty())
        cache->removeForKey(MivOsxFileDataCache::preparedPath(real));
    MivUrlFileData::clearCache();
}

void MivOsxFileData::setFileURL(const QUrl& url)
{
    if (!remote())
        setParent(nullptr);
    MivUrlFileData::setFileURL(url);
}

void MivOsxFileData::setLoaded(bool loaded)
{
    MivUrlFileData::setLoaded(loaded);
    if (loaded && !remote())
        MivOsxFileDataCache::sharedInstance()->putEntry(selfPtr());
}

bool MivOsxFileData::updateFolderSizeState()
{
    const bool marked = MivUrlFileData::updateFolderSizeState();
    if (marked && filePackage())
        setSize(kSizeNotCalculated);
    return marked;
}

// --- Identity ---

quint64 MivOsxFileData::hash() const
{
    const QVariant ident = fileIdent();
    if (ident.canConvert<MivOsxFileIdent>()) {
        const auto value = ident.value<MivOsxFileIdent>();
        return qHashMulti(0, value.device, value.inode);
    }
    return MivUrlFileData::hash();
}

bool MivOsxFileData::isEqual(const MivFileData* other) const
{
    if (other == this)
        return true;
    const auto* local = dynamic_cast<const MivOsxFileData*>(other);
    if (!local)
        return false;
    const QVariant mine = fileIdent();
    const QVariant theirs = local->fileIdent();
    if (mine.isValid() && theirs.isValid())
        return mine == theirs;
    return MivUrlFileData::isEqual(other);
}

// --- Items inside a mounted share ---

void MivOsxFileData::setBlocked(bool blocked)
{
    // Inside a share the operation blocks the share's root; the item's own
    // counter changes once either way.
    if (remote()) {
        const MivFileDataPtr self = selfPtr();
        const MivFileDataPtr root = self ? MivItemHooks::rootData(self) : nullptr;
        if (root && root != self)
            root->setBlocked(blocked);
    }
    MivUrlFileData::setBlocked(blocked);
}

void MivOsxFileData::close()
{
    if (!remote()) {
        MivUrlFileData::close();
        return;
    }
    const MivFileDataPtr self = selfPtr();
    const MivFileDataPtr root = self ? MivItemHooks::rootData(self) : nullptr;
    if (root && root != self)
        root->close();
}

// --- Icons ---

void MivOsxFileData::initIcon() { updateIconImage(placeholderIcon()); }

bool MivOsxFileData::imageNotResolved() const
{
    const MivIconDescriptorPtr current = icon();
    return !current || current == MivFileUtils::notLoadedImage() || current == MivFileUtils::defaultFolderIconImage();
}

MivIconDescriptorPtr MivOsxFileData::loadDefaultIcon() const
{
    if (!imageNotResolved())
        return MivUrlFileData::icon();
    // The desktop's icon for a file is its MIME type's: the base rule asks
    // for the same by extension, with the folder and file icons around it.
    return MivUrlFileData::resolveIcon();
}

MivIconDescriptorPtr MivOsxFileData::resolveIcon() const
{
    MivIconDescriptorPtr image = loadDefaultIcon();
    const auto provider = settings();
    if (!provider || !provider->iconPreview())
        return image;
    const QString mime = utiType();
    if (!mime.startsWith(QLatin1String("image/")) && !mime.startsWith(QLatin1String("video/")))
        return image;
    const QString source = realPath();
    if (source.isEmpty())
        return image;
    // The GUI side makes the preview from the file and falls back to the
    // theme icon when it cannot.
    auto preview = std::make_shared<MivIconDescriptor>(image ? image->themeName() : QString(), source);
    if (image)
        preview->setFallbackThemeNames(image->fallbackThemeNames());
    return preview;
}

void MivOsxFileData::updateDefaultIcon() { updateIconImage(loadDefaultIcon()); }

MivIconDescriptorPtr MivOsxFileData::resolveLinkIconForImage(const MivIconDescriptorPtr& image) const { return image; }
