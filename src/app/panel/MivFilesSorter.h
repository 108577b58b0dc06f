#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/SortDescriptor.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// The one order of a panel's rows, used by the listing's pre-sort and by the
// list model alike: the group order (the ".." row, folders, packages, the
// rest: `sortKey` ascending, then `folderNameSortKey` ascending), then the
// chosen column with its direction, then the name ascending (digits by
// value) as the last tie-break, absent when the column is the name itself.
//
// A sorter is a value: the model hands a copy to the worker that sorts, so
// a change of the settings never reaches a sort half-way.
class MivFilesSorter
{
public:
    // One row with its byte keys, made once per item on a worker. Keys
    // belong to the sorter that made them (see keysMatch()).
    struct Row
    {
        MivFileDataPtr item;
        qint32 group = 0;        // sortKey
        QByteArray groupName;    // folderNameSortKey
        QByteArray column;       // the chosen column's value, ascending
        QByteArray name;         // the name, localized standard
        QString pathKey;
        // pathKeyHash(pathKey), taken while the key is fresh in the cache.
        std::size_t pathHash = 0;
    };

    // The hash of a path key that rows carry and the path index files them by.
    static std::size_t pathKeyHash(const QString& pathKey);

    MivFilesSorter();

    // The group order from the settings context: the folder-name comparison
    // follows `caseSensitiveNameSorting`. Items read `foldersFirst`,
    // `foldersAlwaysByName` and `packagesFirst` themselves when keyed.
    static MivFilesSorter fromSettings();
    void setCaseSensitiveNameSorting(bool caseSensitive);

    // Keeps only the first descriptor d: the order is then [d, name], or just
    // [d] when d sorts by "name", or just [name] when there is none.
    void setSortDescriptors(const QList<plat::SortDescriptor>& descriptors);
    QList<plat::SortDescriptor> sortDescriptors() const;
    const plat::SortDescriptor& nameSorter() const { return _nameSorter; }
    const plat::SortDescriptor& folderNameSorter() const { return _folderNameSorter; }

    Row makeRow(const MivFileDataPtr& item) const;
    // Rows for many items, made in parallel.
    std::vector<Row> makeRows(const QList<MivFileDataPtr>& items) const;
    // Whether rows made by `other` can be sorted by this sorter as they are.
    bool keysMatch(const MivFilesSorter& other) const;

    // The full order (a strict weak order).
    bool lessThan(const Row& a, const Row& b) const;
    // The group order alone.
    bool groupLessThan(const Row& a, const Row& b) const;
    // Sorts by the full order; rows it finds equal keep their order.
    void sort(std::vector<Row>& rows) const;
    // The same order as indexes into the rows, which stay where they are:
    // sortedOrder(rows)[i] is the row that goes to position i.
    std::vector<quint32> sortedOrder(const std::vector<Row>& rows) const;

    // The items sorted by the group order alone, rows it finds equal in
    // their given order (the listing's pre-sort).
    QList<MivFileDataPtr> resort(const QList<MivFileDataPtr>& items) const;

private:
    bool hasColumn() const { return !_column.key.isEmpty(); }

    plat::SortDescriptor _folderNameSorter;
    plat::SortDescriptor _nameSorter;
    plat::SortDescriptor _column;  // empty key: none
};
