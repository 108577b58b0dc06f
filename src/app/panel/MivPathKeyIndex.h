#pragma once

#include "app/panel/MivFilesSorter.h"

#include <QString>

#include <memory>
#include <vector>

// Finds the first row with a given path key among an arrangement's rows.
//
// A read-only open-addressing table of row numbers, split into shards by
// hash so that the shards fill side by side on the pool: a panel indexes
// every row of every listing, and a single hash map of 100,000 keys took
// longer to fill than the rows took to sort. The table holds no keys of its
// own; it compares against the rows it was built over, which the caller
// keeps and passes to every lookup.
class MivPathKeyIndex
{
public:
    static constexpr qsizetype kNotFound = -1;

    MivPathKeyIndex() = default;
    // Indexes the rows' non-empty path keys; of rows that share a key, the
    // first one is found.
    explicit MivPathKeyIndex(const std::vector<MivFilesSorter::Row>& rows);

    // The position of the first row whose path key is `key` in the rows the
    // index was built over, or kNotFound.
    qsizetype find(const std::vector<MivFilesSorter::Row>& rows, const QString& key) const;

private:
    struct Slot
    {
        quint32 tag = 0;  // the hash's low bits, to skip most mismatches unread
        quint32 row = 0;  // position + 1; 0 is empty
    };
    struct Table
    {
        std::vector<Slot> entries;
        std::vector<std::size_t> shardStart;  // shard i: [start[i], start[i + 1])
    };

    // Shared by copies: an arrangement that only changes its filter keeps
    // its rows' positions and so the index.
    std::shared_ptr<const Table> _table;
};
