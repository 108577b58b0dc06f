#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/files-table/IMivFilesTableColumnsHost.h"
#include "app/files-table/IMivFilesTableViewDelegate.h"
#include "app/panel/IFilesViewDataSource.h"
#include "app/panel/MivFilesArrangement.h"
#include "app/panel/MivFilteSearchData.h"
#include "app/panel/MivPopulateData.h"
#include "app/panel/MivSelector.h"
#include "app/panel/MivTotalInfoModel.h"
#include "platform/Error.h"
#include "platform/NotificationToken.h"
#include "platform/SortDescriptor.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class IMivFileWatcherContextDelegate;
class IMivFilesTabContainer;

class MivContext;
class MivContextEntry;
class MivFilesDataLoader;
class MivFilesTableColumnsHandler;
class MivFilesTableView;
class MivFilesTableDataController;
class MivMaxConcurrentTasksQueue;
class MivSelectPatternWindowController;

namespace plat {
class OperationQueue;
class SerialQueue;
} // namespace plat

// One file panel: the folder it shows, its listing, focus, marks, history
// and totals. A controller; the views attach to it with the file table.
//
// Threads. Requests come from any thread. A listing runs on the populate
// queue under the load lock (listings of one panel never overlap); its
// ordered steps run on the serial populate queue; the listed rows are put in
// and the focus is moved on the GUI thread, which the serial steps wait for
// while holding no lock. Whether a listing is running is read through an
// atomic pointer, so no request ever waits for the load lock.
//
// Made with create() and owned through a shared_ptr: queued work holds the
// panel weakly.
class MivFilesViewController : public QObject,
                               public IFilesViewDataSource,
                               public IMivFilesTableViewDelegate,
                               public IMivFilesTableColumnsHost,
                               public std::enable_shared_from_this<MivFilesViewController>
{
    Q_OBJECT

public:
    using CompletionHandler =
        std::function<void(const std::shared_ptr<MivFilesViewController>& panel, bool success, const plat::Error& error)>;
    using Rows = std::vector<MivFileDataPtr>;
    static constexpr qsizetype NotFound = -1;

    static std::shared_ptr<MivFilesViewController> create();
    ~MivFilesViewController() override;

    // --- Set-up ---
    void setIdentifier(const QString& identifier);
    void clearIdentifier();
    QString identifier() const;
    void setEntry(const std::shared_ptr<MivContextEntry>& entry);
    std::shared_ptr<MivContextEntry> entry() const { return m_entry.lock(); }
    void close();
    bool closed() const { return m_closed.load(); }

    // --- Listing parameters read by the loader ---
    // The first sort descriptor of the list model; any thread.
    std::optional<plat::SortDescriptor> sortData() const;
    bool showHidden() const { return m_showHidden.load(); }
    bool flatStructure() const { return m_flatStructure.load(); }
    void setFlatStructure(bool flat) { m_flatStructure.store(flat); }
    // The list model: its order and filter arrange every listing on the
    // listing's worker. GUI thread, but for its any-thread lookups.
    MivFilesTableDataController* arrayController() const { return m_arrayController.get(); }

    // --- Populate requests (any thread) ---
    void populateTableData(const MivFileDataPtr& data);
    void populateAsyncTableData(const MivFileDataPtr& data, CompletionHandler handler);
    void populateTableData(const MivFileDataPtr& data, const MivSelectTarget& select);
    void populateTableDataInNavigation(const MivFileDataPtr& data);
    void populateTableData(const MivFileDataPtr& data, bool force, const MivSelectTarget& select, bool inNav,
                           CompletionHandler handler = {});

    void refreshPanel(bool force);
    void refreshWithSelectionOfContext(const MivFileDataPtr& item);
    void cancelLoadingData();
    // The item when it exists, else its nearest existing ancestor.
    static MivFileDataPtr contextToSet(const MivFileDataPtr& item);
    // Blocks the folder's change notices and the panel's watch around a file
    // operation (YES), or lets them through again.
    void setFSNotifyDisabled(bool disabled, const MivFileDataPtr& folder);
    void setRefreshLocked(bool locked) { m_refreshLocked.store(locked); }
    void setDirty(bool dirty) { m_dirty.store(dirty); }
    bool dirty() const { return m_dirty.load(); }

    MivFileDataPtr context() const;
    MivFileDataPtr tmpContext() const;

    // --- Quick filter (GUI thread) ---
    // Filters the rows by name. An equal request is only stored again; one
    // that gives no predicate (no phrase, unknown mode) removes the filter.
    // A refused one (an invalid mode-2000 expression) changes nothing and
    // answers NO with the error. Once the filtered rows are shown, a focused
    // row that was filtered out gives the focus to the first row.
    bool setFilter(const MivFilteSearchDataPtr& request, plat::Error* error = nullptr);
    // The request in force; null when none. Any thread.
    MivFilteSearchDataPtr filter() const;
    // Every listed item, filtered or not; any thread.
    QList<MivFileDataPtr> files() const;
    qsizetype dataObjectsCount() const;

    // --- Focus (the list model's highlight) and row navigation ---
    // Read on the GUI thread; from another thread they wait for it, so the
    // caller must hold nothing the GUI thread may need.
    qsizetype selectionIndex() const;
    MivFileDataPtr lastSelected() const;
    MivFileDataPtr selectedFile() const { return lastSelected(); }
    void gotoRow(const MivFileDataPtr& item);
    bool gotoRowForContext(const MivFileDataPtr& item);
    bool gotoRowForPath(const QString& pathKey);
    MivFileDataPtr fileDataForContext(const MivFileDataPtr& item) const;
    MivFileDataPtr dataForPathKey(const QString& pathKey) const;
    void invalidateDataCache();

    // --- Marks ---
    MivSelector& selector() { return m_selector; }
    bool addToSelection(const MivFileDataPtr& item);
    bool removeFromSelection(const MivFileDataPtr& item);
    void deselect(const MivFileDataPtr& item);
    bool updateSelection(const MivFileDataPtr& item);
    void clearSelectionData();
    void clearSelection();
    QList<MivFileDataPtr> resolveSelection() const { return m_selector.resolveSelection(); }
    // The marks, else the focused item when it can be marked, else nothing.
    QList<MivFileDataPtr> selectedContext() const;
    bool hasFolderSelected() const;

    // --- Totals ---
    MivTotalInfoModel& total() { return m_total; }
    void updateTotalForFile(const MivFileDataPtr& item);
    void updateTotalForSelectionOfContext(const MivFileDataPtr& item, bool decrement);
    void updateTotalSizeForFile(const MivFileDataPtr& item, bool selected);
    void refreshTotals();
    void updateTotalDataView();
    QString totalText() const;

    // --- History ---
    void updateHistory();
    void setBlockHistory(bool block) { m_blockHistory.store(block); }
    QList<MivFileDataPtr> historyList() const;
    qsizetype currentIndex() const;
    bool prevEnabled() const;
    bool nextEnabled() const;

    // The adapter through which watched folders reach this panel.
    std::shared_ptr<IMivFileWatcherContextDelegate> watcherDelegate() const { return m_watcher; }

    // --- The list view (GUI thread) ---
    // Made on first use; the panel owns it (and through it the column handler).
    MivFilesTableView* filesTable();
    // Applies a saved column configuration without posting column notices,
    // then sorts, arranges and redraws by it.
    void applyColumnConfiguration(const QVariantMap& configuration);
    // The main window's active panel; until it tells, every panel is active.
    void setActivePanel(bool active) { m_activePanel.store(active); }

    // IMivFilesTableColumnsHost
    const void* tabContainer() const override;
    bool inSynchronization() const override { return m_inSynchronization; }
    void updateColumnBindings() override;
    void resolveHiddenColumnsForLoading() override;
    void reloadPanel() override;
    void refreshPanel() override { refreshPanel(false); }
    bool isActivePanel() const override { return m_activePanel.load(); }
    void sortDescriptorUpdated(const std::optional<plat::SortDescriptor>& descriptor) override;
    QSet<QString> hiddenColumnsForLoading() const;

    // IMivFilesTableViewDelegate
    void redisplayPathFinder() override {}
    void tableViewSelectionDidChange(MivFilesTableView* view) override;
    QColor textColorForItem(const MivFilesTableView* view, const MivFileDataPtr& item, bool highlighted) const override;
    bool shouldEditTableColumn(MivFilesTableView* view, const QString& columnId, int row) override;
    void prepareEditor(MivEditTextField* editor, int row) override;
    void setObjectValue(const QString& value, int row) override;

    // --- Keys (GUI thread) ---
    // IFilesViewDataSource
    void selectAll() override;
    void selectNone() override;
    void invertSelection() override;
    void selectByExtension() override;
    void selectGroup() override;
    void unselectGroup() override;
    void processPaste() override {}
    void processCopy() override {}
    void flagsChanged(QWidget* view, QKeyEvent* event) override;
    bool processKeyDown(QWidget* view, QKeyEvent* event) override;
    void processInsertKey(QWidget* view) override;
    bool processValidateMenuItem(QWidget*, QAction*) override { return true; }
    void processControlKey(const QString& key, const QVariantMap& data = {}) override;
    // The panel's own reaction to its control keys.
    void tableControlKeyPressed(const QVariantMap& userInfo);
    // Marks or unmarks the focused item, then moves one row down.
    void selectAndCountSize();
    void selectAndGo(bool next);

    // --- Selection commands (GUI thread) ---
    // Each brackets its mark changes with one "changing" and one "changed".
    void updateBeforeSelectionChange();
    void updateAfterSelectionChanged();
    // The shown items whose whole name matches: a wildcard pattern ("*",
    // "?"), or a regular expression; case-sensitive, diacritics ignored.
    QList<MivFileDataPtr> dataByNameFilter(const QString& pattern, bool useRegExp) const;
    // With a pattern, marks (unmarks) the matches and keeps the other marks;
    // without one, marks every row (clears every mark).
    void selectRowsWithFilter(const std::optional<QString>& pattern, bool useRegExp);
    void unselectRowsWithFilter(const std::optional<QString>& pattern, bool useRegExp);
    // Marks every shown item whose extension equals the focused item's, ignoring case.
    void selectAllWithCurrentExtension();
    void processInvertSelection();
    void setSelectionFromArray(const QList<MivFileDataPtr>& items);

    // --- Type-to-select and the highlight handling (GUI thread) ---
    // The first row at or after the reference index (a negative one: the
    // rows from the top down to its magnitude) whose name the typed text leads to.
    int searchIndexFor(const QString& typed, int referenceIndex) const;
    bool shouldTypeSelect(MivFilesTableView* view) override;
    int nextTypeSelectMatch(MivFilesTableView* view, int fromRow, const QString& typed) override;
    // A highlight that rested for the delay posts "FilesTableSelectionChanged".
    void scheduleSelectionHandling();
    void handleSelectionChanged();

    // --- Opening (any thread) ---
    // How a file that is no folder is opened with its application; tests
    // record instead of launching. The default asks the item (doOpen).
    using FileOpener = std::function<bool(const MivFileDataPtr& file)>;
    static void setFileOpener(FileOpener opener);
    void openFileForContext(const MivFileDataPtr& item);
    void openFile(const MivFileDataPtr& item, bool inside);
    void openFolderForContext(const MivFileDataPtr& item);
    // Shows a folder, or a saved location, through the side's tab container,
    // which diverts a hard-locked tab's change to a new tab. A panel outside
    // a side lists the folder itself.
    void populate(const MivFileDataPtr& item, const std::optional<QVariantMap>& dataContext,
                  const MivSelectTarget& selection);
    void goUp();
    // A ".." row whose folder is gone leads to its nearest existing ancestor.
    static MivFileDataPtr moveContextUp(const MivFileDataPtr& item);
    static MivFileDataPtr goUpData(const MivFileDataPtr& item);

signals:
    // GUI thread: the footer text changed.
    void totalTextChanged(const QString& text);

private:
    struct StepState;
    class Watcher;

    MivFilesViewController();
    void init();

    void runAsyncOnPopulateQueue(std::function<void(MivFilesViewController&)> step);
    void processPopulateForData(const MivPopulateData& request, CompletionHandler handler);
    void takePendingRefresh();

    void setContext(const MivFileDataPtr& item);
    void beforeChangeContextTo(const MivFileDataPtr& item);
    void afterChangeContext();
    void processFileDataContext(const MivFileDataPtr& item);

    void populateSaveSelectionForData(const MivFileDataPtr& data);
    void updateFilesData(const MivFilesArrangementPtr& arrangement);
    void finishFilterChange();
    void scrollToVisibleIndex(qsizetype index);
    // The side's tab container, through the side's saved state; null for a
    // panel outside a side. Its calls belong to the GUI thread.
    std::shared_ptr<IMivFilesTabContainer> sideContainer() const;
    // Before a non-forced change to another folder: a hard-locked tab sends
    // the folder to a new tab, and this panel keeps its own.
    bool divertedToNewTab(const MivFileDataPtr& data);
    void updatePopulateSelection(const MivSelectTarget& target);
    void populateRestoreHighlightSelection();
    void restoreSelectionForContext(const MivFileDataPtr& data);
    void populateRestoreSelectionForData(const MivFileDataPtr& data);

    void postNotification(const char* name, const QVariantMap& userInfo = {});
    void processOpenContext(const MivPopulateData& request);
    void toggleMarksOfRange(int from, int to);
    // The quick-filter step of a key: true when the side's quick filter took it.
    bool processQuickFilterKey(const MivContext& settings, quint16 keyCode, QKeyEvent* event);

    QString m_identifier;
    std::weak_ptr<MivContextEntry> m_entry;

    // Guards the listing itself and the creation of its loader: held for a
    // whole listing. Nobody waits for the GUI thread while holding it.
    std::mutex m_loadLock;
    std::shared_ptr<MivFilesDataLoader> m_dataLoader;  // under m_loadLock
    // The loader of the listing under way, read without the lock.
    std::atomic<std::shared_ptr<MivFilesDataLoader>> m_runningLoader;

    // A non-forced request for the folder already shown that came while a
    // listing ran: issued once that listing has ended (latest wins).
    struct PendingRequest
    {
        MivFileDataPtr data;
        MivSelectTarget select;
        CompletionHandler handler;
    };
    std::mutex m_pendingLock;
    std::optional<PendingRequest> m_pending;

    mutable std::mutex m_stateLock;  // the fields below that several threads use
    MivFileDataPtr m_context;
    MivFileDataPtr m_tmpContext;
    MivSelectTarget m_populateSelectAct;
    MivFilteSearchDataPtr m_filter;
    MivFileDataPtr m_populateSelectedObject;
    qsizetype m_populateSelectionIndex = NotFound;
    QString m_totalText;

    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_showHidden{false};
    std::atomic<bool> m_refreshLocked{false};
    std::atomic<bool> m_flatStructure{false};
    std::atomic<bool> m_dirty{false};
    std::atomic<bool> m_blockHistory{false};
    std::atomic<bool> m_inPrevNext{false};
    std::atomic<bool> m_onlySelected{false};

    std::unique_ptr<MivFilesTableDataController> m_arrayController;

    mutable std::mutex m_historyLock;
    QList<MivFileDataPtr> m_history;
    qsizetype m_currentIndex = 0;

    MivSelector m_selector;
    MivTotalInfoModel m_total;

    std::shared_ptr<plat::OperationQueue> m_rowDataLoadingQueue;
    std::shared_ptr<plat::OperationQueue> m_dispatchnsqueue;
    std::shared_ptr<plat::SerialQueue> m_populateSerialQueue;
    std::shared_ptr<MivMaxConcurrentTasksQueue> m_populateConcurrentQueue;

    std::shared_ptr<IMivFileWatcherContextDelegate> m_watcher;

    // GUI thread. Owned; deleted with the panel.
    QPointer<MivFilesTableView> m_filesTable;
    bool m_inSynchronization = false;
    // A filter change waiting for its rows to be shown: the predicate they
    // are filtered by and the row focused before.
    struct FilterFocus
    {
        MivFilePredicatePtr predicate;
        MivFileDataPtr focused;
    };
    std::optional<FilterFocus> m_filterFocus;
    std::atomic<bool> m_activePanel{true};
    plat::NotificationToken m_controlKeyToken;

    // GUI thread: the select-by-pattern sheet shown last, and the pending
    // delayed handling of a highlight change (0: none).
    std::shared_ptr<MivSelectPatternWindowController> m_selectController;
    quint64 m_selectionHandleDelayTimer = 0;
};
