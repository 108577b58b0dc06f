#pragma once

#include "app/panel/MivFilePredicate.h"
#include "app/panel/MivFilesSorter.h"
#include "app/panel/MivPathKeyIndex.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class MivFilesArrangement;
using MivFilesArrangementPtr = std::shared_ptr<const MivFilesArrangement>;

// One finished arrangement of a panel's rows: every listed item with its
// keys in display order, the rows the filter lets through, and a path-key
// index over the items. Made on a worker, never changed afterwards, so any
// thread may read one while the GUI thread shows it.
class MivFilesArrangement
{
public:
    static constexpr qsizetype kNotFound = -1;

    // Keys and sorts the items, filters, indexes: the whole work of a fresh
    // listing. `keyGeneration` tells which settings the keys were made with.
    static MivFilesArrangementPtr make(const QList<MivFileDataPtr>& items, const MivFilesSorter& sorter,
                                       const MivFilePredicatePtr& filter, quint64 keyGeneration = 0);
    // The same from rows keyed already (for example during the listing).
    static MivFilesArrangementPtr make(std::vector<MivFilesSorter::Row> rows, const MivFilesSorter& sorter,
                                       const MivFilePredicatePtr& filter, quint64 keyGeneration = 0);
    // The same content under another order or filter, reusing the keys when
    // they still fit and the order when only the filter changed.
    static MivFilesArrangementPtr rearranged(const MivFilesArrangementPtr& previous, const MivFilesSorter& sorter,
                                             const MivFilePredicatePtr& filter, quint64 keyGeneration);
    static MivFilesArrangementPtr empty();

    // The arranged (filtered) rows.
    qsizetype count() const { return qsizetype(_visible.size()); }
    const MivFileDataPtr& at(qsizetype row) const;  // null past the end
    const MivFilesSorter::Row& rowAt(qsizetype row) const { return _rows[std::size_t(_visible[std::size_t(row)])]; }
    QList<MivFileDataPtr> objects() const;
    qsizetype indexOf(const MivFileDataPtr& item) const;
    qsizetype indexOfPathKey(const QString& pathKey) const;

    // Every listed item, filtered or not.
    qsizetype contentCount() const { return qsizetype(_rows.size()); }
    QList<MivFileDataPtr> content() const;
    MivFileDataPtr contentForPathKey(const QString& pathKey) const;

    const MivFilesSorter& sorter() const { return _sorter; }
    const MivFilePredicatePtr& filter() const { return _filter; }
    quint64 keyGeneration() const { return _keyGeneration; }

    MivFilesArrangement() = default;

private:
    // Puts the rows in the sorter's order into `arrangement` and indexes
    // their path keys.
    static void sortAndIndex(MivFilesArrangement& arrangement, std::vector<MivFilesSorter::Row> rows);
    static MivFilesArrangementPtr finish(std::shared_ptr<MivFilesArrangement> arrangement, bool index);
    void applyFilter();

    MivFilesSorter _sorter;
    MivFilePredicatePtr _filter;
    quint64 _keyGeneration = 0;
    std::vector<MivFilesSorter::Row> _rows;    // all items, in order
    std::vector<qsizetype> _visible;           // arranged row → index in _rows
    std::vector<qsizetype> _arrangedRow;       // index in _rows → arranged row or kNotFound
    MivPathKeyIndex _byPathKey;                // path key → index in _rows (first one)
};
