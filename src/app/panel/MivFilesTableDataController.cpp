#include "app/panel/MivFilesTableDataController.h"

#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataKeys.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"

#include <atomic>
#include <mutex>
#include <optional>

// Guarded state that the arranging worker shares with the model. Jobs hold
// it, so a job that outlives its model finishes harmlessly; `owner` is read
// and cleared only on the GUI thread, where the model also dies.
struct MivFilesTableDataController::Shared
{
    mutable std::mutex lock;
    MivFilesSorter sorter;                 // guarded by lock
    MivFilePredicatePtr filter;            // guarded by lock
    quint64 keyGeneration = 1;             // guarded by lock; bumped by updateSorters
    MivFilesArrangementPtr latest;         // guarded by lock; the newest content, the base of re-arranging
    MivFilesArrangementPtr shown;          // guarded by lock; on screen, for lookups from any thread
    quint64 sequence = 0;                  // guarded by lock; orders published arrangements
    quint64 contentEpoch = 0;              // guarded by lock; bumped by every new content
    std::atomic<int> pending{0};

    mutable std::mutex blockLock;
    unsigned blockCounter = 0;             // guarded by blockLock
    bool blockArrange = false;             // guarded by blockLock

    plat::SerialQueuePtr queue;
    MivFilesTableDataController* owner = nullptr;  // GUI thread only

    bool matchesCurrent(const MivFilesArrangement& arrangement) const  // lock held
    {
        return arrangement.filter() == filter && arrangement.keyGeneration() == keyGeneration
               && arrangement.sorter().keysMatch(sorter)
               && arrangement.sorter().sortDescriptors() == sorter.sortDescriptors()
               && arrangement.sorter().folderNameSorter() == sorter.folderNameSorter();
    }
};

namespace {

struct Column
{
    const char* id;
    const char* key;
};

const Column kColumns[] = {
    {"kol_name", "name"},
    {"kol_ext", "extenssion"},
    {"kol_date", "modificationDate"},
    {"kol_size", "size"},
    {"kol_attr", "perms"},
    {"kol_added_date", "addedDate"},
    {"kol_kind", "type"},
    {"kol_crt_date", "creationDate"},
    {"kol_last_acc", "lastAccessDate"},
    {"kol_stat_date", "stateChangeDate"},
    {"kol_owner", "owner"},
    {"kol_group", "group"},
};

} // namespace

MivFilesTableDataController::MivFilesTableDataController(QObject* parent)
    : QAbstractTableModel(parent), _shared(std::make_shared<Shared>()), _current(MivFilesArrangement::empty())
{
    _shared->sorter = MivFilesSorter::fromSettings();
    _shared->latest = _current;
    _shared->shown = _current;
    _shared->queue = MivExec::createSerialDispatchQueueWithName("com.quorvex.mivo.files-arrange");
    _shared->owner = this;
}

MivFilesTableDataController::~MivFilesTableDataController()
{
    _shared->owner = nullptr;
}

const QStringList& MivFilesTableDataController::columnKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const Column& column : kColumns)
            list.append(QLatin1String(column.key));
        return list;
    }();
    return keys;
}

const QStringList& MivFilesTableDataController::columnIds()
{
    static const QStringList ids = [] {
        QStringList list;
        for (const Column& column : kColumns)
            list.append(QLatin1String(column.id));
        return list;
    }();
    return ids;
}

int MivFilesTableDataController::columnForId(const QString& columnId)
{
    return int(columnIds().indexOf(columnId));
}

// --- QAbstractItemModel ---

int MivFilesTableDataController::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(_current->count());
}

int MivFilesTableDataController::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columnKeys().size());
}

QVariant MivFilesTableDataController::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const MivFileDataPtr& item = _current->at(index.row());
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return MivFileDataKeys::valueForKey(*item, columnKeys().at(index.column()));
    case FileDataRole:
        return QVariant::fromValue(item);
    case PathKeyRole:
        return _current->rowAt(index.row()).pathKey;
    default:
        return {};
    }
}

QVariant MivFilesTableDataController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnIds().size())
        return {};
    return columnIds().at(section);
}

// --- Order and filter ---

void MivFilesTableDataController::updateSorters()
{
    MivFilesSorter fresh = MivFilesSorter::fromSettings();
    std::lock_guard guard(_shared->lock);
    fresh.setSortDescriptors(_shared->sorter.sortDescriptors().mid(0, 1));
    _shared->sorter = fresh;
    ++_shared->keyGeneration;
}

void MivFilesTableDataController::setSortDescriptors(const QList<plat::SortDescriptor>& descriptors)
{
    {
        std::lock_guard guard(_shared->lock);
        _shared->sorter.setSortDescriptors(descriptors);
    }
    // A new order is the user's own request: it is shown also while a
    // refresh blocks re-arranging.
    requestArrangement(nullptr);
}

QList<plat::SortDescriptor> MivFilesTableDataController::sortDescriptors() const
{
    std::lock_guard guard(_shared->lock);
    return _shared->sorter.sortDescriptors();
}

MivFilesSorter MivFilesTableDataController::sorter() const
{
    std::lock_guard guard(_shared->lock);
    return _shared->sorter;
}

QList<MivFileDataPtr> MivFilesTableDataController::resort(const QList<MivFileDataPtr>& items) const
{
    return sorter().resort(items);
}

void MivFilesTableDataController::setFilterPredicate(const MivFilePredicatePtr& predicate)
{
    {
        std::lock_guard guard(_shared->lock);
        if (_shared->filter == predicate)
            return;
        _shared->filter = predicate;
    }
    requestArrangement(nullptr);
}

MivFilePredicatePtr MivFilesTableDataController::filterPredicate() const
{
    std::lock_guard guard(_shared->lock);
    return _shared->filter;
}

bool MivFilesTableDataController::applyFilterRequest(const MivFilteSearchData* request, plat::Error* error)
{
    if (request && request->isRefused(error))
        return false;
    setFilterPredicate(request ? request->createPredicateForField(QStringLiteral("self.name")) : nullptr);
    return true;
}

// --- Content ---

MivFilesArrangementPtr MivFilesTableDataController::arrangeObjects(const QList<MivFileDataPtr>& items) const
{
    MivFilesSorter sorter;
    MivFilePredicatePtr filter;
    quint64 generation = 0;
    {
        std::lock_guard guard(_shared->lock);
        sorter = _shared->sorter;
        filter = _shared->filter;
        generation = _shared->keyGeneration;
    }
    return MivFilesArrangement::make(items, sorter, filter, generation);
}

MivFilesArrangementPtr MivFilesTableDataController::arrangeRows(std::vector<MivFilesSorter::Row> rows) const
{
    MivFilesSorter sorter;
    MivFilePredicatePtr filter;
    quint64 generation = 0;
    {
        std::lock_guard guard(_shared->lock);
        sorter = _shared->sorter;
        filter = _shared->filter;
        generation = _shared->keyGeneration;
    }
    return MivFilesArrangement::make(std::move(rows), sorter, filter, generation);
}

void MivFilesTableDataController::setFiles(const MivFilesArrangementPtr& arrangement)
{
    const MivFilesArrangementPtr given = arrangement ? arrangement : MivFilesArrangement::empty();
    quint64 sequence = 0;
    bool stale = false;
    {
        std::lock_guard guard(_shared->lock);
        ++_shared->contentEpoch;
        _shared->latest = given;
        sequence = ++_shared->sequence;
        stale = !_shared->matchesCurrent(*given);
    }
    apply(given, sequence);
    if (stale)
        requestArrangement(nullptr);
}

void MivFilesTableDataController::setFiles(const QList<MivFileDataPtr>& items)
{
    requestArrangement(&items);
}

void MivFilesTableDataController::rearrangeObjects()
{
    if (!shouldArrange())
        return;
    requestArrangement(nullptr);
}

bool MivFilesTableDataController::hasPendingArrangement() const
{
    return _shared->pending.load() > 0;
}

void MivFilesTableDataController::requestArrangement(const QList<MivFileDataPtr>* items)
{
    const std::shared_ptr<Shared> shared = _shared;
    std::optional<QList<MivFileDataPtr>> content;
    quint64 epoch = 0;
    if (items) {
        content = *items;
        std::lock_guard guard(shared->lock);
        epoch = ++shared->contentEpoch;
    }
    ++shared->pending;
    shared->queue->async([shared, content = std::move(content), epoch] {
        MivFilesArrangementPtr result;
        quint64 sequence = 0;
        try {
            for (;;) {
                MivFilesArrangementPtr base;
                MivFilesSorter sorter;
                MivFilePredicatePtr filter;
                quint64 generation = 0;
                {
                    std::lock_guard guard(shared->lock);
                    base = shared->latest;
                    sorter = shared->sorter;
                    filter = shared->filter;
                    generation = shared->keyGeneration;
                }
                MivFilesArrangementPtr made = content ? MivFilesArrangement::make(*content, sorter, filter, generation)
                                                      : MivFilesArrangement::rearranged(base, sorter, filter, generation);
                std::lock_guard guard(shared->lock);
                if (content) {
                    // Newer content was given meanwhile: this one is obsolete.
                    if (shared->contentEpoch != epoch)
                        break;
                } else if (shared->latest != base) {
                    continue;  // new content arrived while this ran: arrange that instead
                }
                shared->latest = made;
                sequence = ++shared->sequence;
                result = std::move(made);
                break;
            }
        } catch (const std::exception& error) {
            MIV_LOG_ERROR(QStringLiteral("rearrangeObjects :: Error: %1").arg(QString::fromUtf8(error.what())));
        }
        // Always hand back, so the pending count returns to zero.
        const std::weak_ptr<Shared> weak = shared;
        MivExec::runAsyncOnMainThread([weak, result, sequence] {
            const auto alive = weak.lock();
            if (!alive)
                return;
            --alive->pending;
            if (result && alive->owner)
                alive->owner->apply(result, sequence);
        });
    });
}

void MivFilesTableDataController::apply(const MivFilesArrangementPtr& arrangement, quint64 sequence)
{
    if (sequence <= _appliedSequence)
        return;  // an older arrangement finishing after a newer one was shown
    _appliedSequence = sequence;
    swapIn(arrangement);
}

void MivFilesTableDataController::swapIn(const MivFilesArrangementPtr& arrangement)
{
    const int previousRow = _focusRow;
    MivFilesArrangementPtr previous = arrangement;
    beginResetModel();
    _current.swap(previous);
    {
        std::lock_guard guard(_shared->lock);
        _shared->shown = _current;
    }
    endResetModel();
    // Freeing 100,000 rows takes milliseconds: let the worker do it.
    _shared->queue->async([retired = std::move(previous)]() mutable { retired.reset(); });

    // The focus follows its item; an item that left keeps the row position,
    // clamped to the last row.
    if (_focusItem || previousRow != kNotFound) {
        qsizetype row = _focusItem ? _current->indexOf(_focusItem) : MivFilesArrangement::kNotFound;
        if (row == MivFilesArrangement::kNotFound && previousRow != kNotFound && _current->count() > 0)
            row = std::min<qsizetype>(previousRow, _current->count() - 1);
        _focusRow = int(row);
        _focusItem = _current->at(row);
    }
    Q_EMIT selectionIndexChanged(_focusRow);
    Q_EMIT arrangementChanged();
}

// --- Block ---

void MivFilesTableDataController::setBlockArrange(bool block)
{
    std::lock_guard guard(_shared->blockLock);
    if (block) {
        if (_shared->blockCounter++ == 0)
            _shared->blockArrange = true;
    } else if (_shared->blockCounter > 0) {
        // An unpaired NO is ignored rather than wrapping the counter.
        if (--_shared->blockCounter == 0)
            _shared->blockArrange = false;
    }
}

bool MivFilesTableDataController::blockArrange() const
{
    std::lock_guard guard(_shared->blockLock);
    return _shared->blockArrange;
}

bool MivFilesTableDataController::shouldArrange() const
{
    return !blockArrange();
}

// --- Lookups ---

MivFilesArrangementPtr MivFilesTableDataController::arrangement() const
{
    std::lock_guard guard(_shared->lock);
    return _shared->shown;
}

int MivFilesTableDataController::dataObjectsCount() const
{
    return int(arrangement()->count());
}

QList<MivFileDataPtr> MivFilesTableDataController::dataObjects() const
{
    return arrangement()->objects();
}

QList<MivFileDataPtr> MivFilesTableDataController::files() const
{
    return arrangement()->content();
}

int MivFilesTableDataController::indexOfDataObject(const MivFileDataPtr& item) const
{
    return int(arrangement()->indexOf(item));
}

MivFileDataPtr MivFilesTableDataController::dataObjectAtIndex(int index) const
{
    return arrangement()->at(index);
}

MivFileDataPtr MivFilesTableDataController::dataObjectForPathKey(const QString& pathKey) const
{
    return arrangement()->contentForPathKey(pathKey);
}

QList<int> MivFilesTableDataController::indexesOfObjectsMatchingPredicate(const MivFilePredicate& predicate) const
{
    const MivFilesArrangementPtr shown = arrangement();
    QList<int> result;
    for (qsizetype row = 0; row < shown->count(); ++row) {
        const MivFileDataPtr& item = shown->at(row);
        if (item && predicate.evaluate(*item))
            result.append(int(row));
    }
    return result;
}

QList<int> MivFilesTableDataController::indexesOfObjectsMatchingNamePattern(const QString& pattern) const
{
    const auto predicate = MivFilePredicate::create(QStringLiteral("name"), MivFilePredicate::Operator::Matches,
                                                    pattern, MivFilePredicate::DiacriticInsensitive);
    return predicate ? indexesOfObjectsMatchingPredicate(*predicate) : QList<int>{};
}

QList<MivFileDataPtr> MivFilesTableDataController::dataObjectsMatchingNamePattern(const QString& pattern) const
{
    const MivFilesArrangementPtr shown = arrangement();
    const auto predicate = MivFilePredicate::create(QStringLiteral("name"), MivFilePredicate::Operator::Matches,
                                                    pattern, MivFilePredicate::DiacriticInsensitive);
    QList<MivFileDataPtr> result;
    if (!predicate)
        return result;
    for (qsizetype row = 0; row < shown->count(); ++row) {
        const MivFileDataPtr& item = shown->at(row);
        if (item && predicate->evaluate(*item))
            result.append(item);
    }
    return result;
}

int MivFilesTableDataController::indexOfObjectMatchingNamePattern(const QString& pattern, int referenceIndex) const
{
    const MivFilesArrangementPtr shown = arrangement();
    const auto predicate =
        MivFilePredicate::create(QStringLiteral("name"), MivFilePredicate::Operator::Matches, pattern,
                                 MivFilePredicate::CaseInsensitive | MivFilePredicate::DiacriticInsensitive);
    if (!predicate)
        return kNotFound;
    qsizetype first = 0;
    qsizetype last = shown->count() - 1;
    if (referenceIndex >= 0)
        first = referenceIndex;
    else
        last = std::min<qsizetype>(last, -qsizetype(referenceIndex));
    for (qsizetype row = first; row <= last; ++row) {
        const MivFileDataPtr& item = shown->at(row);
        if (item && predicate->evaluate(*item))
            return int(row);
    }
    return kNotFound;
}

// --- Focus ---

MivFileDataPtr MivFilesTableDataController::selectedObject() const
{
    return _focusItem;
}

QList<MivFileDataPtr> MivFilesTableDataController::selectedObjects() const
{
    return _focusItem ? QList<MivFileDataPtr>{_focusItem} : QList<MivFileDataPtr>{};
}

void MivFilesTableDataController::setSelectionIndex(int row)
{
    const MivFileDataPtr& item = _current->at(row);
    const int newRow = item ? row : kNotFound;
    if (newRow == _focusRow && item == _focusItem)
        return;
    _focusRow = newRow;
    _focusItem = item;
    Q_EMIT selectionIndexChanged(_focusRow);
}

bool MivFilesTableDataController::setSelectedObject(const MivFileDataPtr& item)
{
    const qsizetype row = _current->indexOf(item);
    if (row == MivFilesArrangement::kNotFound)
        return false;
    setSelectionIndex(int(row));
    return true;
}
