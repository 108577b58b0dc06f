// The columns a local item reads only when a sort, a view or the inspector
// asks for them.
#include "FileData/Local/MivOsxFileData.h"

#include "FileData/Local/OsxLazyLoadData.h"
#include "platform/Path.h"

namespace {

const QString kAddedDate = QStringLiteral("addedDate");
const QString kCreationDate = QStringLiteral("creationDate");
const QString kLastAccessDate = QStringLiteral("lastAccessDate");
const QString kStateChangeDate = QStringLiteral("stateChangeDate");
const QString kOwner = QStringLiteral("owner");
const QString kGroup = QStringLiteral("group");
const QString kPerms = QStringLiteral("perms");
const QString kType = QStringLiteral("type");
const QString kUtiType = QStringLiteral("utiType");

QDateTime dateOf(qint64 ns)
{
    if (ns == MivOsxFileAttributes::kNoTime)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(ns / 1000000, Qt::UTC);
}

} // namespace

// --- Readers ---

// Linux keeps no date at which an entry was added to its folder.
QDateTime MivOsxFileData::resolveDateAdded() const { return QDateTime(); }

QDateTime MivOsxFileData::resolveCreationDate() const
{
    // The snapshot leaves these dates out: each reader asks the file system.
    MivOsxFileDates dates;
    const QString path = itemPath();
    if (path.isEmpty() || !MivOsxFileDates::read(plat::Path::toNative(path), &dates))
        return QDateTime();
    return dateOf(dates.birth);
}

QDateTime MivOsxFileData::resolveLastAccessDate() const
{
    MivOsxFileDates dates;
    const QString path = itemPath();
    if (path.isEmpty() || !MivOsxFileDates::read(plat::Path::toNative(path), &dates))
        return QDateTime();
    return dateOf(dates.access);
}

void MivOsxFileData::updateAddedDate(const QDateTime& date)
{
    if (!hasAddress())
        return;
    setAddedDate(date);
    addAttr(kAddedDate);
}

void MivOsxFileData::updateCreationDate(const QDateTime& date)
{
    if (!hasAddress())
        return;
    setCreationDate(date);
    addAttr(kCreationDate);
}

void MivOsxFileData::updateLastAccessDate(const QDateTime& date)
{
    if (!hasAddress())
        return;
    setLastAccessDate(date);
    addAttr(kLastAccessDate);
}

// --- The sort attribute of a listing ---

bool MivOsxFileData::refreshForSortDescriptor(const std::optional<plat::SortDescriptor>& sortDescriptor)
{
    if (!hasAddress())
        return false;
    // Owner, group and mode come with the status snapshot every refresh
    // takes (and the listing has just taken), so "reading them again" is
    // making sure a snapshot is there; storing them would pin today's values
    // over the next refresh.
    const auto loadStatus = [this] { currentAttributes(); };
    if (!sortDescriptor) {
        if (!containsAttr(kAddedDate))
            updateAddedDate(resolveDateAdded());
        if (!containsAttr(kCreationDate))
            updateCreationDate(resolveCreationDate());
        if (!containsAttr(kLastAccessDate))
            updateLastAccessDate(resolveLastAccessDate());
        if (!stateChangeDate().isValid())
            setStateChangeDate(processDates().value(QStringLiteral("stateChgTime")).toDateTime());
        loadStatus();
        if (!containsAttr(kUtiType))
            updateTypeInfo(resolveTypeInfo());
        return true;
    }
    const QString& key = sortDescriptor->key;
    if (key == kAddedDate || key == kCreationDate || key == kLastAccessDate) {
        if (containsAttr(key))
            return false;
        if (key == kAddedDate)
            updateAddedDate(resolveDateAdded());
        else if (key == kCreationDate)
            updateCreationDate(resolveCreationDate());
        else
            updateLastAccessDate(resolveLastAccessDate());
        return true;
    }
    if (key == kStateChangeDate) {
        if (!stateChangeDate().isValid())
            setStateChangeDate(processDates().value(QStringLiteral("stateChgTime")).toDateTime());
        return true;
    }
    if (key == kOwner || key == kGroup || key == kPerms) {
        loadStatus();
        return true;
    }
    if (key == kType) {
        if (containsAttr(kUtiType))
            return false;
        updateTypeInfo(resolveTypeInfo());
        return true;
    }
    return false;
}

// --- The visible rows of a panel ---

MivLazyLoadDataPtr MivOsxFileData::prepareForLazyLoad(const QString& sortKey, const QSet<QString>& hidden)
{
    // The sort attribute was loaded when the folder was listed.
    const auto wanted = [&](const QString& key) { return key != sortKey && !hidden.contains(key); };
    auto data = std::make_shared<OsxLazyLoadData>();
    if (!remote() && wanted(kAddedDate) && !containsAttr(kAddedDate))
        data->setDta(resolveDateAdded());
    if (wanted(kCreationDate) && !containsAttr(kCreationDate))
        data->setCrdta(resolveCreationDate());
    if (wanted(kLastAccessDate) && !containsAttr(kLastAccessDate))
        data->setAdta(resolveLastAccessDate());
    if (wanted(kStateChangeDate))
        data->setDtaArray(processDates());
    // One read serves all three columns.
    if (wanted(kOwner) || wanted(kGroup) || wanted(kPerms))
        data->setStatArray(resolveStatDataForPath(itemPath()));
    if (wanted(kType) && !containsAttr(kUtiType))
        data->setTypeArray(resolveTypeInfo(true));
    return data;
}

void MivOsxFileData::lazyLoadData(const MivLazyLoadDataPtr& lazyData)
{
    const auto* data = dynamic_cast<const OsxLazyLoadData*>(lazyData.get());
    if (!data)
        return;
    if (const auto date = data->dta())
        updateAddedDate(*date);
    if (const auto date = data->crdta())
        updateCreationDate(*date);
    if (const auto date = data->adta())
        updateLastAccessDate(*date);
    const QVariantMap dates = data->dtaArray();
    if (!dates.isEmpty())
        setStateChangeDate(dates.value(QStringLiteral("stateChgTime")).toDateTime());
    const QVariantMap status = data->statArray();
    if (!status.isEmpty()) {
        setOwner(status.value(QStringLiteral("user")).toString());
        setGroup(status.value(QStringLiteral("group")).toString());
        // Absent entries become empty texts, not "no value".
        if (MivUrlFileData::owner().isNull())
            setOwner(QLatin1String(""));
        if (MivUrlFileData::group().isNull())
            setGroup(QLatin1String(""));
        const QVariant posix = status.value(QStringLiteral("posix"));
        if (posix.isValid())
            setSuperPosix(posix.toLongLong());
    }
    const QVariantMap type = data->typeArray();
    if (!type.isEmpty())
        updateTypeInfo(type);
}

// --- The info inspector ---

void MivOsxFileData::requestDataForFileInfo()
{
    // Fresh values whatever was read or marked before.
    updateCreationDate(resolveCreationDate());
    updateAddedDate(resolveDateAdded());
    updateLastAccessDate(resolveLastAccessDate());
}
