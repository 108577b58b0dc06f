#include "app/panel/MivFilesViewController.h"

#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivMaxConcurrentTasksQueue.h"
#include "FileData/MivUpFolderData.h"
#include "FileData/Local/MivOsxFileData.h"
#include "app/operations/MivFileManager.h"
#include "app/panel/IMivFilesTabContainer.h"
#include "app/panel/MivFilesDataLoader.h"
#include "app/panel/MivFilesRowCollector.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/panel/MivFilesTableControlKeys.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/settings/MivContextEntry.h"
#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/NotificationCenter.h"
#include "platform/OperationQueue.h"
#include "platform/Path.h"
#include "platform/Qos.h"
#include "platform/SerialQueue.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <span>

namespace {

// A local item of a mounted network share is kept out of the side history.
bool isInsideNetworkShare(const MivFileDataPtr& item)
{
    const auto* local = dynamic_cast<const MivOsxFileData*>(item.get());
    return local && local->remote();
}

bool sameItem(const MivFileDataPtr& a, const MivFileDataPtr& b)
{
    if (!a || !b)
        return !a && !b;
    return a == b || a->isEqual(b.get());
}

} // namespace

// What the ordered steps of one request share: written by one step, read by
// a later one on the same serial queue (or by a GUI-thread part the step
// waited for).
struct MivFilesViewController::StepState
{
    bool success = false;
    bool applied = false;
    plat::Error error;
};

// Watched folders hold this adapter weakly and reach the panel through it.
class MivFilesViewController::Watcher final : public IMivFileWatcherContextDelegate
{
public:
    explicit Watcher(std::weak_ptr<MivFilesViewController> panel) : m_panel(std::move(panel)) {}

    bool isActiveDelegate() const override { return true; }
    void contextContentChanged(const QList<MivFileDataPtr>&) override
    {
        if (auto panel = m_panel.lock())
            panel->refreshPanel();
    }
    void refreshContextWithSelectionOf(const MivFileDataPtr& selection) override
    {
        if (auto panel = m_panel.lock())
            panel->refreshWithSelectionOfContext(selection);
    }

private:
    std::weak_ptr<MivFilesViewController> m_panel;
};

MivFilesViewController::MivFilesViewController() = default;

std::shared_ptr<MivFilesViewController> MivFilesViewController::create()
{
    // Workers hold the panel while they list; when one of them lets go
    // last, the panel and its list view still go on the GUI thread, which
    // may be painting that view at the moment.
    std::shared_ptr<MivFilesViewController> panel(new MivFilesViewController(), [](MivFilesViewController* gone) {
        plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
        if (!dispatcher || dispatcher->isMainThread())
            delete gone;
        else
            dispatcher->post([gone] { delete gone; });
    });
    panel->init();
    return panel;
}

void MivFilesViewController::init()
{
    const unsigned processors = std::max(1, QThread::idealThreadCount());
    m_rowDataLoadingQueue = MivExec::createOperationQueueWithName(QStringLiteral("data-loading-queue"), 20, plat::Qos::Utility);
    m_dispatchnsqueue =
        MivExec::createOperationQueueWithName(QStringLiteral("serial-dispatch-Queue"), 1, plat::Qos::UserInteractive);
    m_populateConcurrentQueue =
        MivExec::createConcurrentDispatchQueueWithNameAndMaxConcurrency("com.quorvex.data-populate-processor", 4 * processors);
    m_populateSerialQueue = MivExec::createSerialDispatchQueueWithName("com.quorvex.mivo.populate-controller");
    m_watcher = std::make_shared<Watcher>(weak_from_this());
    m_arrayController = std::make_unique<MivFilesTableDataController>();
    connect(m_arrayController.get(), &MivFilesTableDataController::arrangementChanged, this,
            &MivFilesViewController::finishFilterChange);
    // Control keys are posted and handled on the GUI thread.
    m_controlKeyToken = plat::NotificationCenter::defaultCenter().observe(
        QString::fromLatin1(ksFilesTableControlKeyPressedNotification), this,
        [weak = weak_from_this()](const plat::Notification& notification) {
            if (auto panel = weak.lock())
                panel->tableControlKeyPressed(notification.userInfo);
        });
}

MivFilesViewController::~MivFilesViewController()
{
    // The view forgets the panel before it goes, so nothing reaches back.
    if (m_filesTable) {
        m_filesTable->setViewDataSource(nullptr);
        m_filesTable->setTableDelegate(nullptr);
        delete m_filesTable.data();
    }
    m_rowDataLoadingQueue->cancelAllOperations();
    m_dispatchnsqueue->cancelAllOperations();
    if (auto loader = m_runningLoader.load())
        loader->cancel();
    MivFileDataPtr shown;
    {
        std::lock_guard lock(m_stateLock);
        shown = m_context;
    }
    if (shown)
        MivFileManager::sharedInstance().removeWatchedFileContext(shown, m_watcher);
}

// --- Set-up ---

void MivFilesViewController::setIdentifier(const QString& identifier)
{
    if (identifier.isNull())
        return;
    std::lock_guard lock(m_stateLock);
    m_identifier = identifier;
}

void MivFilesViewController::clearIdentifier()
{
    std::lock_guard lock(m_stateLock);
    m_identifier.clear();
}

QString MivFilesViewController::identifier() const
{
    std::lock_guard lock(m_stateLock);
    return m_identifier;
}

void MivFilesViewController::setEntry(const std::shared_ptr<MivContextEntry>& entry)
{
    m_entry = entry;
}

void MivFilesViewController::close()
{
    if (auto shown = context())
        shown->close();
    cancelLoadingData();
    m_closed.store(true);
    populateTableData(nullptr);
}

std::optional<plat::SortDescriptor> MivFilesViewController::sortData() const
{
    const auto descriptors = m_arrayController->sortDescriptors();
    if (descriptors.isEmpty())
        return std::nullopt;
    return descriptors.first();
}

MivFileDataPtr MivFilesViewController::context() const
{
    std::lock_guard lock(m_stateLock);
    return m_context;
}

MivFileDataPtr MivFilesViewController::tmpContext() const
{
    std::lock_guard lock(m_stateLock);
    return m_tmpContext;
}

QList<MivFileDataPtr> MivFilesViewController::files() const
{
    return m_arrayController->files();
}

qsizetype MivFilesViewController::dataObjectsCount() const
{
    return m_arrayController->dataObjectsCount();
}

void MivFilesViewController::postNotification(const char* name, const QVariantMap& userInfo)
{
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(name), this, userInfo);
    // Marks are drawn as text colours, which only a repaint shows.
    if (qstrcmp(name, ksFilesTableMarkedSelectionChanged) == 0) {
        MivExec::runOnMainThreadAsync([table = m_filesTable] {
            if (table)
                table->viewport()->update();
        });
    }
}

void MivFilesViewController::runAsyncOnPopulateQueue(std::function<void(MivFilesViewController&)> step)
{
    m_populateSerialQueue->async([weak = weak_from_this(), step = std::move(step)] {
        if (auto panel = weak.lock())
            step(*panel);
    });
}

// --- Populate requests ---

void MivFilesViewController::populateTableData(const MivFileDataPtr& data)
{
    populateAsyncTableData(data, {});
}

void MivFilesViewController::populateAsyncTableData(const MivFileDataPtr& data, CompletionHandler handler)
{
    populateTableData(data, false, {}, false, std::move(handler));
}

void MivFilesViewController::populateTableData(const MivFileDataPtr& data, const MivSelectTarget& select)
{
    populateTableData(data, false, select, false);
}

void MivFilesViewController::populateTableDataInNavigation(const MivFileDataPtr& data)
{
    populateTableData(data, false, {}, true);
}

void MivFilesViewController::populateTableData(const MivFileDataPtr& requested, bool force, const MivSelectTarget& select,
                                               bool inNav, CompletionHandler handler)
{
    postNotification(ksFilesTableStartOperationNotification);
    // However the request ends, observers learn that it was handed on or
    // refused, before any listing is applied.
    struct Refreshed
    {
        MivFilesViewController* panel;
        ~Refreshed()
        {
            panel->postNotification(ksFilesTableRefresh);
            panel->postNotification(ksFilesTableStopOperationNotification);
        }
    } refreshed{this};
    try {
        const auto sideState = entry();
        if (!sideState)
            return;
        if (!std::holds_alternative<std::monostate>(select)) {
            std::lock_guard lock(m_stateLock);
            m_populateSelectAct = select;
        }
        if (m_refreshLocked.load())
            return;
        if (auto running = m_runningLoader.load(); running && running->isActive()) {
            // The change notice of a long listing must not be lost: a
            // non-forced request for the folder already shown waits in one
            // slot and is issued when the listing has ended. The check runs
            // again under the slot's lock, which the ending listing takes
            // after it has cleared the running loader.
            std::lock_guard lock(m_pendingLock);
            running = m_runningLoader.load();
            if (running && running->isActive()) {
                if (!force && requested && sameItem(requested, context()))
                    m_pending = PendingRequest{requested, select, std::move(handler)};
                return;
            }
        }
        MivFileDataPtr data = requested;
        if (data && data->isUpFolderData())
            data = static_cast<const MivUpFolderData&>(*data).wrapped();
        if (data && !force) {
            // A refresh hands over the shown folder itself and never leaves a locked tab.
            const MivFileDataPtr shown = context();
            if (shown && data != shown && divertedToNewTab(data))
                return;
        }
        if (data && !force && data->blocked())
            return;
        if (!sideState->loaded() || m_dirty.load()) {
            // Marked here, not only when the queued change runs, so the side
            // that ends its start-up sees at once that this panel still has
            // to be listed.
            if (!sideState->loaded())
                m_dirty.store(true);
            runAsyncOnPopulateQueue([data](MivFilesViewController& panel) { panel.setContext(data); });
            if (!sideState->loaded())
                return;
        }
        MivPopulateData request;
        request.navigation = inNav;
        request.data = data;
        {
            std::lock_guard lock(m_stateLock);
            request.selectionObject = m_populateSelectAct;
            m_tmpContext = data;
        }
        m_populateConcurrentQueue->runAsync(
            [self = shared_from_this(), request = std::move(request), handler = std::move(handler)]() mutable {
                self->processPopulateForData(request, std::move(handler));
            });
    } catch (const std::exception& e) {
        MIV_LOG_ERROR(QStringLiteral("Populate request failed: %1").arg(QString::fromUtf8(e.what())));
    }
}

void MivFilesViewController::processPopulateForData(const MivPopulateData& request, CompletionHandler handler)
{
    const MivFileDataPtr data = request.data;
    const MivFileDataPtr shown = context();
    const bool newFolder = !data || !shown || !data->isEqual(shown.get());
    auto state = std::make_shared<StepState>();

    runAsyncOnPopulateQueue([](MivFilesViewController& panel) {
        panel.postNotification(ksFilesTableStartOperationNotification);
    });
    try {
        if (!data) {
            runAsyncOnPopulateQueue([state](MivFilesViewController& panel) {
                panel.setContext(nullptr);
                MivExec::runOnMainThread([&] { panel.setFilter(nullptr); });
                state->success = true;
                panel.clearSelectionData();
            });
        } else {
            runAsyncOnPopulateQueue([data](MivFilesViewController& panel) {
                panel.populateSaveSelectionForData(data);
                panel.postNotification(ksFilesTableStartOperationNotification);
            });
            std::optional<plat::Error> listingFailure;
            try {
                if (data->activate() && !closed()) {
                    if (const auto sideState = entry())
                        m_showHidden.store(sideState->showHidden());
                    MivFilesArrangementPtr arrangement;
                    std::optional<plat::Error> toPresent;
                    // Rows are keyed for the model's order while the listing
                    // hands out its children, on the listing's workers.
                    MivFilesRowCollector collector(m_arrayController->sorter());
                    auto loader = std::make_shared<MivFilesDataLoader>(data, collector.callback());
                    loader->setJoinsRunningListing(newFolder);
                    {
                        std::lock_guard lock(m_loadLock);
                        cancelLoadingData();
                        m_dataLoader = loader;
                        m_runningLoader.store(loader);
                        struct ClearRunning
                        {
                            MivFilesViewController* panel;
                            std::shared_ptr<MivFilesDataLoader> loader;
                            ~ClearRunning()
                            {
                                auto expected = loader;
                                panel->m_runningLoader.compare_exchange_strong(expected, nullptr);
                            }
                        } clearRunning{this, loader};
                        // Keyed, sorted and filtered here, so the GUI thread
                        // only swaps the result in.
                        QElapsedTimer took;
                        took.start();
                        if (auto rows = loader->loadFilesInContext(this, toPresent)) {
                            MivFileDataPtr upRow;
                            if (!rows->empty() && rows->back()->isUpFolderData()) {
                                upRow = std::move(rows->back());
                                rows->pop_back();
                            }
                            auto keyed = collector.rowsFor(std::span<const MivFileDataPtr>(*rows));
                            if (upRow)
                                keyed.push_back(collector.sorter().makeRow(upRow));
                            arrangement = m_arrayController->arrangeRows(std::move(keyed));
                            MIV_LOG_INFO(QStringLiteral("[Benchmark] Listing and arranging %1 rows took %2 s")
                                             .arg(arrangement->contentCount())
                                             .arg(double(took.nsecsElapsed()) / 1e9, 0, 'f', 3));
                        }
                    }
                    // Presented after the lock is released: an alert waits for
                    // the GUI thread, which may be waiting for this panel.
                    if (toPresent)
                        MivExec::runOnMainThreadAsync([error = *toPresent] { MivErrorPresenter::presentError(error); });
                    if (arrangement) {
                        m_inPrevNext.store(request.navigation);
                        MivSelectTarget target = request.selectionObject;
                        if (std::holds_alternative<std::monostate>(target)) {
                            std::lock_guard lock(m_stateLock);
                            target = m_populateSelectAct;
                        }
                        runAsyncOnPopulateQueue([data, state, target, arrangement](MivFilesViewController& panel) {
                            panel.setContext(data);
                            // Only the GUI thread's part is waited for; the
                            // serial step holds no lock meanwhile.
                            MivExec::runOnMainThread([&] {
                                panel.updateFilesData(arrangement);
                                state->success = true;
                                state->applied = true;
                                panel.updatePopulateSelection(target);
                            });
                        });
                    }
                }
            } catch (const std::exception& e) {
                listingFailure = MivErrorPresenter::makeErrorWithException(e);
                MIV_LOG_ERROR(QStringLiteral("Listing failed: %1").arg(QString::fromUtf8(e.what())));
            }
            runAsyncOnPopulateQueue([data, state, newFolder](MivFilesViewController& panel) {
                if (newFolder) {
                    // The quick filter belongs to the folder it was typed for.
                    MivExec::runOnMainThread([&] {
                        panel.setFilter(nullptr);
                        if (const auto container = panel.sideContainer())
                            container->hideSearchPanel();
                    });
                }
                panel.restoreSelectionForContext(state->applied ? data : nullptr);
                panel.postNotification(ksFilesTableStopOperationNotification);
            });
            if (listingFailure) {
                state->error = *listingFailure;
                MivExec::runOnMainThreadAsync([error = *listingFailure] { MivErrorPresenter::presentError(error); });
            }
        }
    } catch (const std::exception& e) {
        state->error = MivErrorPresenter::makeErrorWithException(e);
        MIV_LOG_ERROR(QStringLiteral("Listing failed: %1").arg(QString::fromUtf8(e.what())));
        MivExec::runOnMainThreadAsync([error = state->error] { MivErrorPresenter::presentError(error); });
    }
    runAsyncOnPopulateQueue([state, handler = std::move(handler)](MivFilesViewController& panel) {
        panel.refreshTotals();
        if (handler)
            handler(panel.shared_from_this(), state->success, state->error);
        panel.postNotification(ksFilesTableStopOperationNotification);
    });
    takePendingRefresh();
}

void MivFilesViewController::takePendingRefresh()
{
    std::optional<PendingRequest> pending;
    {
        std::lock_guard lock(m_pendingLock);
        pending.swap(m_pending);
    }
    if (pending)
        populateTableData(pending->data, false, pending->select, false, std::move(pending->handler));
}

void MivFilesViewController::refreshPanel(bool force)
{
    if (force)
        cancelLoadingData();
    m_dispatchnsqueue->cancelAllOperations();
    m_dispatchnsqueue->addOperationWithBlock([weak = weak_from_this(), force] {
        auto panel = weak.lock();
        if (!panel)
            return;
        const MivFileDataPtr shown = panel->context();
        const MivFileDataPtr target = force ? shown : contextToSet(shown);
        if (shown && !target) {
            MIV_LOG_INFO(QStringLiteral("Nothing left to refresh"));
            return;
        }
        if (!force && target && target->blocked()) {
            MIV_LOG_INFO(QStringLiteral("Refresh skipped: the folder is blocked"));
            return;
        }
        panel->populateTableData(target, force, {}, false);
    });
}

void MivFilesViewController::reloadPanel()
{
    invalidateDataCache();
    refreshPanel();
}

void MivFilesViewController::refreshWithSelectionOfContext(const MivFileDataPtr& item)
{
    MivSelectTarget select;
    if (item)
        select = item;
    populateTableData(contextToSet(context()), false, select, false);
}

void MivFilesViewController::cancelLoadingData()
{
    m_rowDataLoadingQueue->cancelAllOperations();
    if (auto loader = m_runningLoader.load())
        loader->cancel();
}

MivFileDataPtr MivFilesViewController::contextToSet(const MivFileDataPtr& item)
{
    MivFileDataPtr current = item;
    while (current && !current->exists())
        current = current->parent();
    return current;
}

void MivFilesViewController::setFSNotifyDisabled(bool disabled, const MivFileDataPtr& folder)
{
    if (folder)
        folder->setBlocked(disabled);
    MivFileManager::sharedInstance().setWatchingState(disabled, m_watcher);
}

// --- Context change (serial queue) ---

void MivFilesViewController::setContext(const MivFileDataPtr& item)
{
    const auto sideState = entry();
    if (!sideState || !sideState->loaded()) {
        std::lock_guard lock(m_stateLock);
        m_context = item;
        m_dirty.store(true);
        return;
    }
    struct Finally
    {
        MivFilesViewController* panel;
        ~Finally()
        {
            panel->m_dirty.store(false);
            std::lock_guard lock(panel->m_stateLock);
            panel->m_tmpContext = nullptr;
        }
    } finally{this};
    MivFileDataPtr shown = context();
    if (m_dirty.load() && sameItem(shown, item)) {
        std::lock_guard lock(m_stateLock);
        m_context = nullptr;
        shown = nullptr;
    }
    if (!sameItem(shown, item)) {
        beforeChangeContextTo(item);
        {
            std::lock_guard lock(m_stateLock);
            m_context = item;
        }
        afterChangeContext();
    }
}

void MivFilesViewController::beforeChangeContextTo(const MivFileDataPtr&)
{
    if (const auto old = context())
        MivFileManager::sharedInstance().removeWatchedFileContext(old, m_watcher);
}

void MivFilesViewController::afterChangeContext()
{
    const auto shown = context();
    if (!shown)
        return;
    updateHistory();
    MivExec::runAsyncOnMainThread([weak = weak_from_this(), shown] {
        if (auto panel = weak.lock())
            panel->processFileDataContext(shown);
    });
}

void MivFilesViewController::processFileDataContext(const MivFileDataPtr& item)
{
    // A later change may have passed this one on its way here.
    if (!sameItem(context(), item))
        return;
    MivFileManager::sharedInstance().addWatchedFileContext(item, m_watcher);
    postNotification(ksFilesTableContextChanged, {{QStringLiteral("context"), QVariant::fromValue(item)}});
}

// --- Focus and marks across a listing ---

void MivFilesViewController::populateSaveSelectionForData(const MivFileDataPtr& data)
{
    m_selector.storeSnapshot();
    const MivFileDataPtr shown = context();
    const bool sameFolder = data && shown && data->isEqual(shown.get());
    qsizetype index = NotFound;
    MivFileDataPtr focused;
    if (sameFolder) {
        MivExec::runOnMainThread([&] {
            index = m_arrayController->selectionIndex();
            focused = m_arrayController->selectedObject();
        });
    }
    if (!sameFolder)
        setFlatStructure(false);
    std::lock_guard lock(m_stateLock);
    m_populateSelectionIndex = index;
    m_populateSelectedObject = focused;
}

void MivFilesViewController::updateFilesData(const MivFilesArrangementPtr& arrangement)
{
    m_onlySelected.store(false);
    m_arrayController->setFiles(arrangement);
}

bool MivFilesViewController::setFilter(const MivFilteSearchDataPtr& request, plat::Error* error)
{
    MivFilteSearchDataPtr given = request;
    MivFilePredicatePtr predicate;
    const MivFilteSearchDataPtr current = filter();
    if (given && !(current && given->isEqual(current.get()))) {
        // An invalid expression keeps the filter in force and the rows shown.
        if (given->isRefused(error))
            return false;
        predicate = given->createPredicateForField(QStringLiteral("self.name"));
        if (!predicate)
            given = nullptr;
    }
    {
        std::lock_guard lock(m_stateLock);
        m_filter = given;
    }
    if (!predicate && (given || !m_arrayController->filterPredicate()))
        return true;
    m_filterFocus = FilterFocus{predicate, m_arrayController->selectedObject()};
    m_arrayController->setFilterPredicate(predicate);
    postNotification(ksFilesTableFilterChangedNotification);
    return true;
}

MivFilteSearchDataPtr MivFilesViewController::filter() const
{
    std::lock_guard lock(m_stateLock);
    return m_filter;
}

void MivFilesViewController::finishFilterChange()
{
    // Rows arranged before the change may still arrive first: only those
    // filtered by the new predicate settle the focus.
    const MivFilesArrangementPtr shown = m_arrayController->arrangement();
    if (!m_filterFocus || shown->filter() != m_filterFocus->predicate)
        return;
    const MivFileDataPtr focused = std::exchange(m_filterFocus, std::nullopt)->focused;
    if (!focused || shown->indexOf(focused) == MivFilesArrangement::kNotFound)
        m_arrayController->setSelectionIndex(0);
    scrollToVisibleIndex(m_arrayController->selectionIndex());
}

void MivFilesViewController::scrollToVisibleIndex(qsizetype index)
{
    if (m_filesTable && index >= 0 && index < m_arrayController->rowCount())
        m_filesTable->scrollTo(m_arrayController->index(int(index), 0));
}

std::shared_ptr<IMivFilesTabContainer> MivFilesViewController::sideContainer() const
{
    const auto sideState = entry();
    return sideState ? std::dynamic_pointer_cast<IMivFilesTabContainer>(sideState->controller()) : nullptr;
}

bool MivFilesViewController::divertedToNewTab(const MivFileDataPtr& data)
{
    if (!sideContainer())
        return false;
    bool diverted = false;
    // The container's tabs live on the GUI thread; nothing is held while waiting.
    MivExec::runOnMainThread([&] {
        if (const auto container = sideContainer())
            diverted = container->handleLockedTab(this, data);
    });
    return diverted;
}

void MivFilesViewController::updatePopulateSelection(const MivSelectTarget& target)
{
    if (const auto* key = std::get_if<QString>(&target)) {
        gotoRowForPath(*key);
    } else if (const auto* item = std::get_if<MivFileDataPtr>(&target)) {
        gotoRowForContext(*item);
    } else {
        populateRestoreHighlightSelection();
        return;
    }
    std::lock_guard lock(m_stateLock);
    m_populateSelectAct = {};
}

void MivFilesViewController::populateRestoreHighlightSelection()
{
    MivFileDataPtr remembered;
    qsizetype index;
    {
        std::lock_guard lock(m_stateLock);
        remembered = m_populateSelectedObject;
        index = m_populateSelectionIndex;
    }
    if (!remembered || !gotoRowForContext(remembered)) {
        const qsizetype count = dataObjectsCount();
        if (index == NotFound)
            index = 0;
        if (index >= count)
            index = count - 1;
        m_arrayController->setSelectionIndex(index < count && index >= 0 ? int(index) : MivFilesTableDataController::kNotFound);
    }
    std::lock_guard lock(m_stateLock);
    m_populateSelectedObject = nullptr;
}

void MivFilesViewController::restoreSelectionForContext(const MivFileDataPtr& data)
{
    populateRestoreSelectionForData(data);
}

void MivFilesViewController::populateRestoreSelectionForData(const MivFileDataPtr& data)
{
    postNotification(ksFilesTableStartOperationNotification);
    try {
        clearSelectionData();
        if (data && sameItem(data, context())) {
            m_selector.restoreSnapshot([this](const MivFileDataPtr& marked) {
                const MivFileDataPtr listed = dataForPathKey(marked->pathKey());
                if (!listed)
                    return;
                if (marked->folder() && marked->size() >= 0)
                    listed->setSize(marked->size());
                addToSelection(listed);
            });
        } else {
            m_selector.restoreSnapshot(nullptr);
        }
    } catch (const std::exception& e) {
        MIV_LOG_ERROR(QStringLiteral("Marks not restored: %1").arg(QString::fromUtf8(e.what())));
        MivExec::runOnMainThreadAsync(
            [error = MivErrorPresenter::makeErrorWithException(e)] { MivErrorPresenter::presentError(error); });
    }
    postNotification(ksFilesTableStopOperationNotification);
}

// --- Focus and row navigation ---

qsizetype MivFilesViewController::selectionIndex() const
{
    qsizetype index = NotFound;
    MivExec::runOnMainThread([&] { index = m_arrayController->selectionIndex(); });
    return index;
}

MivFileDataPtr MivFilesViewController::lastSelected() const
{
    MivFileDataPtr focused;
    MivExec::runOnMainThread([&] { focused = m_arrayController->selectedObject(); });
    return focused;
}

void MivFilesViewController::gotoRow(const MivFileDataPtr& item)
{
    if (!item)
        return;
    MivExec::runOnMainThreadAsync([weak = weak_from_this(), item] {
        if (auto panel = weak.lock())
            panel->m_arrayController->setSelectedObject(item);
    });
}

bool MivFilesViewController::gotoRowForContext(const MivFileDataPtr& item)
{
    const MivFileDataPtr listed = fileDataForContext(item);
    if (!listed)
        return false;
    gotoRow(listed);
    return true;
}

bool MivFilesViewController::gotoRowForPath(const QString& pathKey)
{
    const MivFileDataPtr listed = dataForPathKey(pathKey);
    if (!listed || !listed->exists())
        return false;
    gotoRow(listed);
    return true;
}

MivFileDataPtr MivFilesViewController::fileDataForContext(const MivFileDataPtr& item) const
{
    if (!item)
        return nullptr;
    const QVariant ident = item->fileIdent();
    if (ident.isValid()) {
        for (const auto& row : files()) {
            if (row->fileIdent() == ident)
                return row;
        }
    }
    return dataForPathKey(item->pathKey());
}

MivFileDataPtr MivFilesViewController::dataForPathKey(const QString& pathKey) const
{
    return m_arrayController->dataObjectForPathKey(pathKey);
}

void MivFilesViewController::invalidateDataCache()
{
    for (const auto& row : files())
        row->clearCache();
}

// --- Marks ---

bool MivFilesViewController::addToSelection(const MivFileDataPtr& item)
{
    if (!m_selector.addToSelection(item))
        return false;
    updateTotalForSelectionOfContext(item, false);
    return true;
}

bool MivFilesViewController::removeFromSelection(const MivFileDataPtr& item)
{
    if (!m_selector.removeFromSelection(item))
        return false;
    updateTotalForSelectionOfContext(item, true);
    return true;
}

void MivFilesViewController::deselect(const MivFileDataPtr& item)
{
    if (item)
        removeFromSelection(item);
}

bool MivFilesViewController::updateSelection(const MivFileDataPtr& item)
{
    if (!MivSelector::isSelectable(item))
        return false;
    if (!removeFromSelection(item))
        addToSelection(item);
    return true;
}

void MivFilesViewController::clearSelectionData()
{
    m_selector.clearSelection();
    m_total.clearSelection();
}

void MivFilesViewController::clearSelection()
{
    clearSelectionData();
    updateTotalDataView();
}

QList<MivFileDataPtr> MivFilesViewController::selectedContext() const
{
    QList<MivFileDataPtr> marked = m_selector.resolveSelection();
    if (!marked.isEmpty())
        return marked;
    const MivFileDataPtr focused = selectedFile();
    if (MivSelector::isSelectable(focused))
        return {focused};
    return {};
}

bool MivFilesViewController::hasFolderSelected() const
{
    if (m_selector.hasFolderSelected())
        return true;
    const MivFileDataPtr focused = lastSelected();
    return MivSelector::isSelectable(focused) && focused->folder();
}

// --- Totals ---

void MivFilesViewController::updateTotalForFile(const MivFileDataPtr& item)
{
    if (!item || item->isUpFolderData())
        return;
    m_total.updateTotalSize(item->size(), item->folder());
}

void MivFilesViewController::updateTotalForSelectionOfContext(const MivFileDataPtr& item, bool decrement)
{
    m_total.updateSelectionSize(item->size(), item->folder(), !decrement);
}

void MivFilesViewController::updateTotalSizeForFile(const MivFileDataPtr& item, bool selected)
{
    m_total.updatedSize(item->size(), item->folder(), selected);
}

void MivFilesViewController::refreshTotals()
{
    m_total.clearTotals();
    for (const auto& row : files())
        updateTotalForFile(row);
    updateTotalDataView();
}

void MivFilesViewController::updateTotalDataView()
{
    const QString text = m_total.convertToString();
    MivExec::runOnMainThreadAsync([weak = weak_from_this(), text] {
        auto panel = weak.lock();
        if (!panel)
            return;
        {
            std::lock_guard lock(panel->m_stateLock);
            panel->m_totalText = text;
        }
        emit panel->totalTextChanged(text);
    });
}

QString MivFilesViewController::totalText() const
{
    std::lock_guard lock(m_stateLock);
    return m_totalText;
}

// --- History ---

void MivFilesViewController::updateHistory()
{
    const auto sideState = entry();
    if (!sideState || !sideState->loaded() || m_blockHistory.load())
        return;
    const MivFileDataPtr shown = context();
    if (shown && shown->exists()) {
        std::lock_guard lock(m_historyLock);
        if (m_currentIndex < m_history.size() && m_history.at(m_currentIndex)->isEqual(shown.get()))
            return;
    }
    if (shown && shown->isLocalFile() && !isInsideNetworkShare(shown)) {
        const QUrl url = QUrl::fromEncoded(plat::Path::toFileUrl(shown->sourcePath()).toLatin1());
        // The side state lives on the GUI thread; this step holds no lock.
        MivExec::runOnMainThread([&] { sideState->updateHistoryForURL(url); });
    }
    if (m_inPrevNext.load())
        return;
    std::lock_guard lock(m_historyLock);
    if (m_currentIndex < m_history.size()) {
        ++m_currentIndex;
        m_history.erase(m_history.begin() + m_currentIndex, m_history.end());
    }
    if (shown)
        m_history.append(shown);
}

QList<MivFileDataPtr> MivFilesViewController::historyList() const
{
    std::lock_guard lock(m_historyLock);
    return m_history;
}

qsizetype MivFilesViewController::currentIndex() const
{
    std::lock_guard lock(m_historyLock);
    return m_currentIndex;
}

bool MivFilesViewController::prevEnabled() const
{
    std::lock_guard lock(m_historyLock);
    return m_currentIndex > 0;
}

bool MivFilesViewController::nextEnabled() const
{
    std::lock_guard lock(m_historyLock);
    return m_currentIndex + 1 < m_history.size();
}
