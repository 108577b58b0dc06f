#include "app/panel/MivFilesRowCollector.h"

#include "platform/ParallelFor.h"

#include <functional>
#include <iterator>
#include <thread>

MivFilesRowCollector::MivFilesRowCollector(MivFilesSorter sorter) : _sorter(std::move(sorter)) {}

MivFileCallback MivFilesRowCollector::callback()
{
    return [this](const MivFileDataPtr& child) {
        if (!child)
            return;
        // Keyed before the lock: the lock only guards the append.
        MivFilesSorter::Row row = _sorter.makeRow(child);
        Stripe& stripe = _stripes[std::hash<std::thread::id>()(std::this_thread::get_id()) % kStripes];
        std::lock_guard guard(stripe.lock);
        stripe.rows.push_back(std::move(row));
    };
}

namespace {

// An order-free fingerprint of a set of items: the sum of their mixed
// addresses. Equal counts and sums tell that the callback saw the items the
// listing answered; a back end that reported other items would have to hit
// the same 64-bit sum by chance. It costs one pass and no memory, where a
// set of 100,000 addresses took longer than sorting the rows.
quint64 mixed(const void* address)
{
    // splitmix64's finaliser: neighbouring addresses spread over all bits.
    quint64 bits = quint64(reinterpret_cast<quintptr>(address));
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9ull;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBull;
    return bits ^ (bits >> 31);
}

} // namespace

std::vector<MivFilesSorter::Row> MivFilesRowCollector::rowsFor(const QList<MivFileDataPtr>& listed)
{
    return rowsFor(std::span<const MivFileDataPtr>(listed.constData(), std::size_t(listed.size())));
}

std::vector<MivFilesSorter::Row> MivFilesRowCollector::rowsFor(std::span<const MivFileDataPtr> listed)
{
    std::deque<MivFilesSorter::Row> taken[kStripes];
    std::size_t offsets[kStripes + 1] = {};
    for (std::size_t i = 0; i < kStripes; ++i) {
        std::lock_guard guard(_stripes[i].lock);
        taken[i].swap(_stripes[i].rows);
        offsets[i + 1] = offsets[i] + taken[i].size();
    }
    // The stripes move to their own places side by side: the rows are large
    // and scattered, so one thread spent longer moving them than the sort
    // took.
    std::vector<MivFilesSorter::Row> rows(offsets[kStripes]);
    quint64 sums[kStripes] = {};
    plat::parallelFor(kStripes, [&](std::size_t stripe) {
        auto target = rows.begin() + std::ptrdiff_t(offsets[stripe]);
        for (MivFilesSorter::Row& row : taken[stripe]) {
            sums[stripe] += mixed(row.item.get());
            *target++ = std::move(row);
        }
        std::deque<MivFilesSorter::Row>().swap(taken[stripe]);
    });
    if (rows.size() == listed.size()) {
        quint64 seen = 0;
        for (const quint64 sum : sums)
            seen += sum;
        quint64 answered = 0;
        for (const MivFileDataPtr& item : listed)
            answered += mixed(item.get());
        if (seen == answered)
            return rows;
    }
    // Rows the listing dropped (or never reported) must not show; rows it
    // never reported must still come: key the answer itself.
    return _sorter.makeRows(QList<MivFileDataPtr>(listed.begin(), listed.end()));
}
