#pragma once

#include <QUrl>

#include <memory>

class IMivCalculateSizeDelegate;

// The recursive size of a local folder: the apparent sizes of the regular
// files below it (hidden ones included). Links are counted as 0 bytes and
// never followed, so a link to an ancestor cannot loop; entries that cannot
// be read count 0 and do not stop the count. The folder's own entry is not
// counted. Runs on the calling thread and stops with the sum so far when the
// thread's operation is cancelled.
class MivFolderSizeCalculator
{
public:
    MivFolderSizeCalculator() = delete;

    // allocatedSize (when given) receives the space the entries take on disk.
    static quint64 fastFolderSizeAtURL(const QUrl& url, const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                       quint64* allocatedSize);
    static quint64 fastFolderSizeAtPath(const QString& path, const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                        quint64* allocatedSize);
};
