#include "app/panel/MivFilesRowCollector.h"

#include <QSet>

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

std::vector<MivFilesSorter::Row> MivFilesRowCollector::rowsFor(const QList<MivFileDataPtr>& listed)
{
    std::deque<MivFilesSorter::Row> taken[kStripes];
    std::size_t total = 0;
    for (std::size_t i = 0; i < kStripes; ++i) {
        std::lock_guard guard(_stripes[i].lock);
        taken[i].swap(_stripes[i].rows);
        total += taken[i].size();
    }
    std::vector<MivFilesSorter::Row> rows;
    rows.reserve(total);
    for (auto& stripeRows : taken)
        std::move(stripeRows.begin(), stripeRows.end(), std::back_inserter(rows));
    if (rows.size() == std::size_t(listed.size())) {
        QSet<const MivFileData*> seen;
        seen.reserve(listed.size());
        for (const auto& item : listed)
            seen.insert(item.get());
        bool same = seen.size() == listed.size();
        for (std::size_t i = 0; same && i < rows.size(); ++i)
            same = seen.contains(rows[i].item.get());
        if (same)
            return rows;
    }
    // Rows the listing dropped (or never reported) must not show; rows it
    // never reported must still come: key the answer itself.
    QList<MivFileDataPtr> items = listed;
    return _sorter.makeRows(items);
}
