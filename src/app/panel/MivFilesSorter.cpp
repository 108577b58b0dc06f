#include "app/panel/MivFilesSorter.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataKeys.h"
#include "app/settings/MivContext.h"
#include "platform/ParallelFor.h"
#include "platform/ParallelSort.h"

#include <QHashFunctions>

#include <algorithm>

namespace {

const QString kNameKey = QStringLiteral("name");
const QString kFolderNameSortKey = QStringLiteral("folderNameSortKey");

// Rows are keyed in slices, so a pool thread takes many items per hand-off.
constexpr std::size_t kRowsPerSlice = 512;

int compareBytes(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

} // namespace

MivFilesSorter::MivFilesSorter()
    : _folderNameSorter{kFolderNameSortKey, true, plat::SortDescriptor::Comparison::LocalizedStandard},
      _nameSorter{kNameKey, true, plat::SortDescriptor::Comparison::LocalizedStandard}
{
}

MivFilesSorter MivFilesSorter::fromSettings()
{
    MivFilesSorter sorter;
    if (const auto context = MivContext::context())
        sorter._folderNameSorter = context->caseSensitiveNameSortDescriptorForColumn(kFolderNameSortKey);
    return sorter;
}

void MivFilesSorter::setCaseSensitiveNameSorting(bool caseSensitive)
{
    _folderNameSorter.comparison = caseSensitive ? plat::SortDescriptor::Comparison::Literal
                                                 : plat::SortDescriptor::Comparison::LocalizedStandard;
}

void MivFilesSorter::setSortDescriptors(const QList<plat::SortDescriptor>& descriptors)
{
    _column = descriptors.isEmpty() ? plat::SortDescriptor{} : descriptors.first();
}

QList<plat::SortDescriptor> MivFilesSorter::sortDescriptors() const
{
    if (!hasColumn())
        return {_nameSorter};
    if (_column.key == _nameSorter.key)
        return {_column};
    return {_column, _nameSorter};
}

MivFilesSorter::Row MivFilesSorter::makeRow(const MivFileDataPtr& item) const
{
    Row row;
    row.item = item;
    if (!item)
        return row;
    row.group = item->sortKey();
    // folderNameSortKey is empty for the plain group: skip the collator.
    const QString folderName = row.group != 0 ? item->folderNameSortKey() : QString();
    if (!folderName.isEmpty())
        row.groupName = MivFileDataKeys::textSortKey(folderName, _folderNameSorter.comparison);
    const QString name = item->name();
    row.name = MivFileDataKeys::textSortKey(name, _nameSorter.comparison);
    if (hasColumn()) {
        if (_column.key == _nameSorter.key && _column.comparison == _nameSorter.comparison)
            row.column = row.name;
        else
            row.column = MivFileDataKeys::sortKey(*item, _column);
    }
    row.pathKey = item->pathKey();
    row.pathHash = pathKeyHash(row.pathKey);
    return row;
}

std::size_t MivFilesSorter::pathKeyHash(const QString& pathKey)
{
    return pathKey.isEmpty() ? 0 : std::size_t(qHash(pathKey));
}

std::vector<MivFilesSorter::Row> MivFilesSorter::makeRows(const QList<MivFileDataPtr>& items) const
{
    std::vector<Row> rows(std::size_t(items.size()));
    plat::parallelForSlices(rows.size(), kRowsPerSlice, [&](std::size_t i) {
        rows[i] = makeRow(items.at(qsizetype(i)));
    });
    return rows;
}

bool MivFilesSorter::keysMatch(const MivFilesSorter& other) const
{
    return _folderNameSorter.comparison == other._folderNameSorter.comparison
           && _nameSorter.comparison == other._nameSorter.comparison && _column.key == other._column.key
           && _column.comparison == other._column.comparison;
}

bool MivFilesSorter::groupLessThan(const Row& a, const Row& b) const
{
    if (a.group != b.group)
        return a.group < b.group;
    return a.groupName < b.groupName;
}

bool MivFilesSorter::lessThan(const Row& a, const Row& b) const
{
    if (a.group != b.group)
        return a.group < b.group;
    if (const int byGroupName = compareBytes(a.groupName, b.groupName))
        return byGroupName < 0;
    if (hasColumn()) {
        if (const int byColumn = compareBytes(a.column, b.column))
            return _column.ascending ? byColumn < 0 : byColumn > 0;
        if (_column.key == _nameSorter.key)
            return false;
    }
    return a.name < b.name;
}

namespace {

// The first bytes of a key as a big-endian number, zero-padded: when two
// prefixes differ they order as their whole keys do; equal ones need the keys.
quint64 prefixOf(const QByteArray& key, qsizetype from)
{
    quint64 value = 0;
    for (qsizetype i = 0; i < 8; ++i) {
        const qsizetype at = from + i;
        value = (value << 8) | (at < key.size() ? quint8(key.at(at)) : 0u);
    }
    return value;
}

// What the sort moves and mostly compares: small and contiguous, so a sort
// of many rows reads a row's own keys only when the prefixes tie.
struct SortEntry
{
    qint32 group;
    quint32 index;
    quint64 column[2];
    quint64 name[3];
    quint16 columnSize;  // clipped: only "longer than the prefix" matters
    quint16 nameSize;
    bool hasGroupName;
};

constexpr qsizetype kNamePrefix = 24;

int compareNumbers(quint64 a, quint64 b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

quint16 clippedSize(qsizetype size)
{
    return quint16(std::min<qsizetype>(size, 0xFFFF));
}

} // namespace

void MivFilesSorter::sort(std::vector<Row>& rows) const
{
    const std::vector<quint32> order = sortedOrder(rows);
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (const quint32 index : order)
        sorted.push_back(std::move(rows[index]));
    rows.swap(sorted);
}

std::vector<quint32> MivFilesSorter::sortedOrder(const std::vector<Row>& rows) const
{
    // Reading the keys misses the cache once per row (they are scattered
    // over the heap): done in slices on the pool.
    std::vector<SortEntry> entries(rows.size());
    plat::parallelForSlices(rows.size(), kRowsPerSlice, [&](std::size_t i) {
        const Row& row = rows[i];
        entries[i] = SortEntry{row.group,
                               quint32(i),
                               {prefixOf(row.column, 0), prefixOf(row.column, 8)},
                               {prefixOf(row.name, 0), prefixOf(row.name, 8), prefixOf(row.name, 16)},
                               clippedSize(row.column.size()),
                               clippedSize(row.name.size()),
                               !row.groupName.isEmpty()};
    });
    const bool byName = hasColumn() && _column.key == _nameSorter.key;
    const bool ascending = !hasColumn() || _column.ascending;
    // The name column with the name's own comparison is the name stage with
    // the column's direction (its keys are the name keys).
    const bool nameIsColumn = byName && _column.comparison == _nameSorter.comparison;
    const bool column = hasColumn() && !nameIsColumn;
    const auto less = [&](const SortEntry& a, const SortEntry& b) {
        if (a.group != b.group)
            return a.group < b.group;
        if (a.hasGroupName || b.hasGroupName) {
            if (const int byGroupName = compareBytes(rows[a.index].groupName, rows[b.index].groupName))
                return byGroupName < 0;
        }
        if (column) {
            int byColumn = compareNumbers(a.column[0], b.column[0]);
            if (byColumn == 0)
                byColumn = compareNumbers(a.column[1], b.column[1]);
            if (byColumn == 0 && (a.columnSize > 16 || a.columnSize != b.columnSize))
                byColumn = compareBytes(rows[a.index].column, rows[b.index].column);
            if (byColumn != 0)
                return ascending ? byColumn < 0 : byColumn > 0;
            if (byName)
                return false;
        }
        int byNameKey = 0;
        for (int word = 0; word < 3 && byNameKey == 0; ++word)
            byNameKey = compareNumbers(a.name[word], b.name[word]);
        if (byNameKey == 0 && (a.nameSize > kNamePrefix || a.nameSize != b.nameSize))
            byNameKey = compareBytes(rows[a.index].name, rows[b.index].name);
        if (nameIsColumn && !ascending)
            return byNameKey > 0;
        return byNameKey < 0;
    };
    plat::parallelStableSort(entries, less);
    std::vector<quint32> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].index;
    return order;
}

QList<MivFileDataPtr> MivFilesSorter::resort(const QList<MivFileDataPtr>& items) const
{
    struct GroupRow
    {
        qint32 group;
        QByteArray groupName;
        qsizetype index;
    };
    std::vector<GroupRow> rows(std::size_t(items.size()));
    plat::parallelForSlices(rows.size(), kRowsPerSlice, [&](std::size_t i) {
        const MivFileDataPtr& item = items.at(qsizetype(i));
        GroupRow& row = rows[i];
        row.index = qsizetype(i);
        row.group = item ? item->sortKey() : 0;
        if (row.group != 0) {
            const QString folderName = item->folderNameSortKey();
            if (!folderName.isEmpty())
                row.groupName = MivFileDataKeys::textSortKey(folderName, _folderNameSorter.comparison);
        }
    });
    std::stable_sort(rows.begin(), rows.end(), [](const GroupRow& a, const GroupRow& b) {
        return a.group != b.group ? a.group < b.group : a.groupName < b.groupName;
    });
    QList<MivFileDataPtr> result;
    result.reserve(items.size());
    for (const GroupRow& row : rows)
        result.append(items.at(row.index));
    return result;
}
