#include "app/panel/MivPathKeyIndex.h"

#include "platform/ParallelFor.h"


#include <bit>

namespace {

constexpr std::size_t kShardBits = 4;
constexpr std::size_t kShards = std::size_t(1) << kShardBits;
constexpr std::size_t kSlice = 2048;

// The shard comes from the high bits and the slot from the low ones, so the
// keys of one shard still spread over its entries.
std::size_t shardOf(std::size_t hash)
{
    return hash >> (sizeof(std::size_t) * 8 - kShardBits);
}

std::size_t hashOf(const QString& key)
{
    return MivFilesSorter::pathKeyHash(key);
}

// Rows made by the sorter carry their key's hash; others are hashed here.
std::size_t hashOf(const MivFilesSorter::Row& row)
{
    return row.pathHash != 0 ? row.pathHash : hashOf(row.pathKey);
}

} // namespace

MivPathKeyIndex::MivPathKeyIndex(const std::vector<MivFilesSorter::Row>& rows)
{
    const std::size_t count = rows.size();
    // Gathered in one array, so each shard's task scans 8 bytes per row.
    std::vector<std::size_t> hashes(count);
    plat::parallelForSlices(count, kSlice, [&](std::size_t i) {
        hashes[i] = rows[i].pathKey.isEmpty() ? 0 : hashOf(rows[i]);
    });
    std::vector<std::size_t> perShard(kShards, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (!rows[i].pathKey.isEmpty())
            ++perShard[shardOf(hashes[i])];
    }
    auto table = std::make_shared<Table>();
    table->shardStart.resize(kShards + 1, 0);
    for (std::size_t shard = 0; shard < kShards; ++shard) {
        // At most half full, a power of two so the probe wraps by a mask.
        const std::size_t size = perShard[shard] == 0 ? 0 : std::bit_ceil(perShard[shard] * 2);
        table->shardStart[shard + 1] = table->shardStart[shard] + size;
    }
    table->entries.resize(table->shardStart[kShards]);
    // Each shard is filled by one task, in row order, so the first row of a
    // key is the one kept.
    plat::parallelFor(kShards, [&](std::size_t shard) {
        const std::size_t start = table->shardStart[shard];
        const std::size_t mask = table->shardStart[shard + 1] - start - 1;
        if (table->shardStart[shard + 1] == start)
            return;
        Slot* entries = table->entries.data() + start;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t hash = hashes[i];
            if (shardOf(hash) != shard || rows[i].pathKey.isEmpty())
                continue;
            const quint32 tag = quint32(hash);
            for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
                Slot& slot = entries[at];
                if (slot.row == 0) {
                    slot = Slot{tag, quint32(i + 1)};
                    break;
                }
                if (slot.tag == tag && rows[slot.row - 1].pathKey == rows[i].pathKey)
                    break;
            }
        }
    });
    _table = std::move(table);
}

qsizetype MivPathKeyIndex::find(const std::vector<MivFilesSorter::Row>& rows, const QString& key) const
{
    if (!_table || key.isEmpty())
        return kNotFound;
    const std::size_t hash = hashOf(key);
    const std::size_t shard = shardOf(hash);
    const std::size_t start = _table->shardStart[shard];
    const std::size_t size = _table->shardStart[shard + 1] - start;
    if (size == 0)
        return kNotFound;
    const Slot* entries = _table->entries.data() + start;
    const quint32 tag = quint32(hash);
    for (std::size_t at = hash & (size - 1);; at = (at + 1) & (size - 1)) {
        const Slot& slot = entries[at];
        if (slot.row == 0)
            return kNotFound;
        const std::size_t row = slot.row - 1;
        if (slot.tag == tag && row < rows.size() && rows[row].pathKey == key)
            return qsizetype(row);
    }
}
