#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/panel/MivFilesSorter.h"

#include <QList>

#include <deque>
#include <mutex>
#include <span>
#include <vector>

// Keys a panel's rows while the listing hands out its children, on the
// listing's own workers, so that the sort after the listing compares bytes
// only. Give callback() to the listing; take the rows with rowsFor().
class MivFilesRowCollector
{
public:
    explicit MivFilesRowCollector(MivFilesSorter sorter);

    // Thread-safe; the listing calls it once per child.
    MivFileCallback callback();

    // Rows for the items the listing answered. When the callback saw exactly
    // those items its rows are used; otherwise (a back end that calls it for
    // other items or not at all) the rows are keyed again here.
    std::vector<MivFilesSorter::Row> rowsFor(std::span<const MivFileDataPtr> listed);
    std::vector<MivFilesSorter::Row> rowsFor(const QList<MivFileDataPtr>& listed);

    const MivFilesSorter& sorter() const { return _sorter; }

private:
    // The listing's workers append side by side: one buffer per stripe,
    // chosen by thread, so they rarely wait for each other. A deque never
    // moves the rows it holds when it grows, as a vector would under the lock.
    struct Stripe
    {
        std::mutex lock;
        std::deque<MivFilesSorter::Row> rows;  // guarded by lock
    };
    static constexpr std::size_t kStripes = 16;

    const MivFilesSorter _sorter;
    Stripe _stripes[kStripes];
};
