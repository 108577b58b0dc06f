#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/panel/MivFilePredicate.h"
#include "app/panel/MivFilesArrangement.h"
#include "app/panel/MivFilesSorter.h"
#include "app/panel/MivFilteSearchData.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <memory>

// The list model of one panel: the rows of its list view and thumbnail view
// in display order. Rows live in an immutable MivFilesArrangement that a
// worker sorts and filters; the GUI thread only swaps a finished one in
// (a model reset) and moves the focus to where its item went. No arranging
// ever runs on the GUI thread, so 100,000 rows never stall it.
//
// Threads: the Qt model interface, setFiles, the focus and the descriptor
// and filter setters belong to the GUI thread. Sorters, resort, the
// arrangement makers, the block and every lookup may be called from any
// thread; lookups read the arrangement on screen without waiting.
class MivFilesTableDataController : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kNotFound = -1;

    enum Role {
        FileDataRole = Qt::UserRole + 1,  // the row's MivFileDataPtr
        PathKeyRole,
    };

    explicit MivFilesTableDataController(QObject* parent = nullptr);
    ~MivFilesTableDataController() override;

    // The property key shown in each column, in column order (the panel's
    // column ids "kol_name", "kol_ext", … map to these columns).
    static const QStringList& columnKeys();
    static const QStringList& columnIds();
    static int columnForId(const QString& columnId);

    // --- QAbstractItemModel ---
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // --- Order ---
    // Rebuilds the group order from the settings; rows are keyed again at
    // the next arrangement (the settings decide the items' group keys).
    void updateSorters();
    // GUI thread: keeps only the first descriptor (see MivFilesSorter) and
    // re-arranges.
    void setSortDescriptors(const QList<plat::SortDescriptor>& descriptors);
    QList<plat::SortDescriptor> sortDescriptors() const;
    MivFilesSorter sorter() const;
    // Sorted by the group order alone: the listing's pre-sort.
    QList<MivFileDataPtr> resort(const QList<MivFileDataPtr>& items) const;

    // --- Filter ---
    // GUI thread: the predicate rows must satisfy (null: all rows); re-arranges.
    void setFilterPredicate(const MivFilePredicatePtr& predicate);
    MivFilePredicatePtr filterPredicate() const;
    // GUI thread: applies a quick-filter request on the names. A request
    // without a usable predicate (none, no phrase, unknown mode) clears the
    // filter; a refused one (an invalid mode-2000 expression) changes
    // nothing and answers NO with the error, so the list stays as it is.
    bool applyFilterRequest(const MivFilteSearchData* request, plat::Error* error = nullptr);

    // --- Content ---
    // Any thread, meant for the worker that lists: the items arranged by the
    // order and filter in force now. Hand the result to setFiles.
    MivFilesArrangementPtr arrangeObjects(const QList<MivFileDataPtr>& items) const;
    MivFilesArrangementPtr arrangeRows(std::vector<MivFilesSorter::Row> rows) const;
    // GUI thread: shows a finished arrangement (a model reset) and keeps the
    // focused item focused when it is still there. An arrangement made under
    // an order or filter that has changed since is re-arranged at once.
    void setFiles(const MivFilesArrangementPtr& arrangement);
    // GUI thread: arranges the items on a worker, then shows them.
    void setFiles(const QList<MivFileDataPtr>& items);
    // Any thread: arranges the content again on a worker (order, filter,
    // keys after a settings change) and shows it; dropped while blocked.
    void rearrangeObjects();
    // YES while an arrangement requested here has not been shown yet.
    bool hasPendingArrangement() const;

    // --- Block ---
    // Pairs of YES and NO, from any thread; while one YES is pending,
    // rearrangeObjects is dropped (not deferred).
    void setBlockArrange(bool block);
    bool blockArrange() const;
    bool shouldArrange() const;

    // --- Lookups (any thread, the arrangement on screen) ---
    MivFilesArrangementPtr arrangement() const;
    int dataObjectsCount() const;
    QList<MivFileDataPtr> dataObjects() const;
    QList<MivFileDataPtr> files() const;  // every listed item, filtered or not, in order
    int indexOfDataObject(const MivFileDataPtr& item) const;
    MivFileDataPtr dataObjectAtIndex(int index) const;
    // The listed item with this path key, filtered or not (restoring marks).
    MivFileDataPtr dataObjectForPathKey(const QString& pathKey) const;
    QList<int> indexesOfObjectsMatchingPredicate(const MivFilePredicate& predicate) const;
    // Names matching the expression as a whole, case-sensitive,
    // diacritic-insensitive; an invalid expression matches nothing.
    QList<int> indexesOfObjectsMatchingNamePattern(const QString& pattern) const;
    QList<MivFileDataPtr> dataObjectsMatchingNamePattern(const QString& pattern) const;
    // The lowest index j ≥ i (i ≥ 0) or j ≤ −i (i < 0) whose name matches
    // case- and diacritic-insensitively as a whole; kNotFound when none.
    int indexOfObjectMatchingNamePattern(const QString& pattern, int referenceIndex) const;

    // --- Focus (GUI thread) ---
    int selectionIndex() const { return _focusRow; }
    MivFileDataPtr selectedObject() const;
    QList<MivFileDataPtr> selectedObjects() const;
    // Focuses a row (kNotFound: none); an index past the end focuses nothing.
    void setSelectionIndex(int row);
    bool setSelectedObject(const MivFileDataPtr& item);

Q_SIGNALS:
    void selectionIndexChanged(int row);
    // After every arrangement that was swapped in.
    void arrangementChanged();

private:
    struct Shared;
    void requestArrangement(const QList<MivFileDataPtr>* items);
    void apply(const MivFilesArrangementPtr& arrangement, quint64 sequence);
    void swapIn(const MivFilesArrangementPtr& arrangement);

    std::shared_ptr<Shared> _shared;
    // GUI thread only.
    MivFilesArrangementPtr _current;
    MivFileDataPtr _focusItem;
    int _focusRow = kNotFound;
    quint64 _appliedSequence = 0;
};

