#pragma once

#include <QString>

#include <QtGlobal>

#include <mutex>

// The footer counters of one panel: how much is marked out of how much is
// listed. Written from the panel's populate queue and the GUI thread, so one
// small lock guards every counter; each operation holds it only for its
// arithmetic.
class MivTotalInfoModel
{
public:
    struct Counters
    {
        qint32 files = 0;
        qint32 folders = 0;
        qint32 selectedFiles = 0;
        qint32 selectedFolders = 0;
        qint64 filesSize = 0;
        qint64 foldersSize = 0;
        qint64 selectedFilesSize = 0;
        qint64 selectedFoldersSize = 0;

        qint64 totalSize() const { return filesSize + foldersSize; }
        qint64 totalSelectedSize() const { return selectedFilesSize + selectedFoldersSize; }
        bool operator==(const Counters&) const = default;
    };

    void clearSelection();
    void clearTotals();
    void clearFolderSizes();
    void clear();

    qint64 totalSize() const;
    qint64 totalSelectedSize() const;

    // Counts one listed item and adds its size.
    void updateTotalSize(qint64 size, bool isFolder);
    // Adds a size without counting (a folder's size that arrived later);
    // marked sizes grow too when the item is marked. Sizes below 0 are markers
    // and add nothing.
    void updatedSize(qint64 size, bool isFolder, bool withSelection);
    void updateSelectionSize(qint64 size, bool isFolder, bool isAdd);

    // One consistent copy of every counter.
    Counters counters() const;

    // The footer text, in the size format and with the folder count as the
    // settings say.
    QString convertToString() const;
    static QString convertToString(const Counters& counters, qint64 sizeFormat, bool withFolders);

private:
    mutable std::mutex m_lock;
    Counters m_counters;
};
