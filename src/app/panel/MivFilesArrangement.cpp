#include "app/panel/MivFilesArrangement.h"

#include "FileData/MivFileData.h"
#include "platform/ParallelFor.h"

#include <algorithm>
#include <stdexcept>

namespace {
constexpr std::size_t kSlice = 1024;
}

MivFilesArrangementPtr MivFilesArrangement::empty()
{
    static const MivFilesArrangementPtr instance = std::make_shared<const MivFilesArrangement>();
    return instance;
}

MivFilesArrangementPtr MivFilesArrangement::make(const QList<MivFileDataPtr>& items, const MivFilesSorter& sorter,
                                                 const MivFilePredicatePtr& filter, quint64 keyGeneration)
{
    return make(sorter.makeRows(items), sorter, filter, keyGeneration);
}

MivFilesArrangementPtr MivFilesArrangement::make(std::vector<MivFilesSorter::Row> rows, const MivFilesSorter& sorter,
                                                 const MivFilePredicatePtr& filter, quint64 keyGeneration)
{
    auto arrangement = std::make_shared<MivFilesArrangement>();
    arrangement->_sorter = sorter;
    arrangement->_filter = filter;
    arrangement->_keyGeneration = keyGeneration;
    sortAndIndex(*arrangement, std::move(rows));
    return finish(std::move(arrangement), false);
}

MivFilesArrangementPtr MivFilesArrangement::rearranged(const MivFilesArrangementPtr& previous,
                                                       const MivFilesSorter& sorter,
                                                       const MivFilePredicatePtr& filter, quint64 keyGeneration)
{
    if (!previous)
        return make(std::vector<MivFilesSorter::Row>{}, sorter, filter, keyGeneration);
    const bool keysFit = previous->_keyGeneration == keyGeneration && previous->_sorter.keysMatch(sorter);
    if (!keysFit) {
        QList<MivFileDataPtr> items = previous->content();
        return make(items, sorter, filter, keyGeneration);
    }
    auto arrangement = std::make_shared<MivFilesArrangement>();
    arrangement->_sorter = sorter;
    arrangement->_filter = filter;
    arrangement->_keyGeneration = keyGeneration;
    arrangement->_rows = previous->_rows;
    const bool sameOrder = previous->_sorter.sortDescriptors() == sorter.sortDescriptors()
                           && previous->_sorter.folderNameSorter() == sorter.folderNameSorter();
    if (sameOrder) {
        // Items keep their positions, so the path index does too.
        arrangement->_byPathKey = previous->_byPathKey;
        return finish(std::move(arrangement), false);
    }
    sortAndIndex(*arrangement, std::move(arrangement->_rows));
    return finish(std::move(arrangement), false);
}

void MivFilesArrangement::sortAndIndex(MivFilesArrangement& arrangement, std::vector<MivFilesSorter::Row> rows)
{
    const std::vector<quint32> order = arrangement._sorter.sortedOrder(rows);
    if (order.size() != rows.size())
        throw std::runtime_error("rows not sorted");
    // Rows are large and scattered: they move to their places in slices.
    arrangement._rows.clear();
    arrangement._rows.resize(rows.size());
    plat::parallelForSlices(rows.size(), kSlice, [&](std::size_t i) {
        arrangement._rows[i] = std::move(rows[order[i]]);
    });
    // Built over the rows in display order: a path key listed twice leads
    // to its first row on show.
    arrangement._byPathKey = MivPathKeyIndex(arrangement._rows);
}

MivFilesArrangementPtr MivFilesArrangement::finish(std::shared_ptr<MivFilesArrangement> arrangement, bool index)
{
    arrangement->applyFilter();
    if (index)
        arrangement->_byPathKey = MivPathKeyIndex(arrangement->_rows);
    return arrangement;
}

void MivFilesArrangement::applyFilter()
{
    const std::size_t total = _rows.size();
    _arrangedRow.assign(total, kNotFound);
    _visible.clear();
    if (!_filter) {
        _visible.resize(total);
        for (std::size_t i = 0; i < total; ++i) {
            _visible[i] = qsizetype(i);
            _arrangedRow[i] = qsizetype(i);
        }
        return;
    }
    std::vector<char> passes(total, 0);
    plat::parallelForSlices(total, kSlice, [&](std::size_t i) {
        passes[i] = _rows[i].item && _filter->evaluate(*_rows[i].item);
    });
    for (std::size_t i = 0; i < total; ++i) {
        if (passes[i]) {
            _arrangedRow[i] = qsizetype(_visible.size());
            _visible.push_back(qsizetype(i));
        }
    }
}

const MivFileDataPtr& MivFilesArrangement::at(qsizetype row) const
{
    static const MivFileDataPtr none;
    if (row < 0 || row >= count())
        return none;
    return _rows[std::size_t(_visible[std::size_t(row)])].item;
}

QList<MivFileDataPtr> MivFilesArrangement::objects() const
{
    QList<MivFileDataPtr> result;
    result.reserve(count());
    for (const qsizetype index : _visible)
        result.append(_rows[std::size_t(index)].item);
    return result;
}

QList<MivFileDataPtr> MivFilesArrangement::content() const
{
    QList<MivFileDataPtr> result;
    result.reserve(contentCount());
    for (const auto& row : _rows)
        result.append(row.item);
    return result;
}

qsizetype MivFilesArrangement::indexOfPathKey(const QString& pathKey) const
{
    const qsizetype found = _byPathKey.find(_rows, pathKey);
    return found == MivPathKeyIndex::kNotFound ? kNotFound : _arrangedRow[std::size_t(found)];
}

MivFileDataPtr MivFilesArrangement::contentForPathKey(const QString& pathKey) const
{
    const qsizetype found = _byPathKey.find(_rows, pathKey);
    return found == MivPathKeyIndex::kNotFound ? nullptr : _rows[std::size_t(found)].item;
}

qsizetype MivFilesArrangement::indexOf(const MivFileDataPtr& item) const
{
    if (!item)
        return kNotFound;
    // The same object is the common case (the listing's own items); an
    // equal item found through its path key is the other.
    const QString key = item->pathKey();
    if (!key.isEmpty()) {
        const qsizetype found = _byPathKey.find(_rows, key);
        if (found != MivPathKeyIndex::kNotFound) {
            const MivFileDataPtr& candidate = _rows[std::size_t(found)].item;
            if (candidate == item || candidate->isEqual(item.get()))
                return _arrangedRow[std::size_t(found)];
        }
    }
    // Items without a path key (virtual ones) are compared one by one; a keyed
    // item absent from the index is only looked for as the same object.
    for (qsizetype row = 0; row < count(); ++row) {
        const MivFileDataPtr& candidate = at(row);
        if (candidate == item || (key.isEmpty() && candidate && candidate->isEqual(item.get())))
            return row;
    }
    return kNotFound;
}
