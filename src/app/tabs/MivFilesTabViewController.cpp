#include "app/tabs/MivFilesTabViewController.h"

#include "app/files-table/MivFilesTableColumnsHandler.h"
#include "app/files-table/MivFilesTableView.h"

#include "app/panel/IMivFilesTabContainer.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/IMivContextEntryController.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivContextEntry.h"
#include "app/tabs/MivDriveButtonBar.h"
#include "app/tabs/MivFileTabViewItem.h"
#include "app/tabs/MivTabBarView.h"
#include "app/tabs/MivTabView.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataDescriptor.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/NetFileData/MivMountDataFile.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"

#include <utility>

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPointer>
#include <QScopedValueRollback>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The side's adapter on its saved state: panels of the side find their
// container through it. The side owns it; the entry and a panel in the middle
// of a call hold it only for that long, so the side is reached through a
// guarded pointer, on the GUI thread where the side dies.
class EntryController final : public IMivContextEntryController, public IMivFilesTabContainer
{
public:
    explicit EntryController(MivFilesTabViewController* side) : m_side(side) {}

    bool handleLockedTab(MivFilesViewController* panel, const MivFileDataPtr& data) override
    {
        return m_side && m_side->handleLockedTab(panel, data) != nullptr;
    }
    void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data, const MivSelectTarget& selection,
                          const std::optional<QVariantMap>& dataContext) override
    {
        if (m_side)
            m_side->changeFilesPanel(panel, data, selection, dataContext);
    }
    void hideSearchPanel() override
    {
        if (m_side)
            m_side->hideSearchPanel();
    }

private:
    QPointer<MivFilesTabViewController> m_side;
};

// An empty key names nothing to focus.
MivSelectTarget selectTarget(const QString& selection)
{
    return selection.isEmpty() ? MivSelectTarget() : MivSelectTarget(selection);
}

const QString kDriveButtonRemoved = QStringLiteral("DriveButtonRemoved");
const QString kDriveImageResolved = QStringLiteral("DriveImageResolvedNotification");

MivFileDataPtr itemOf(const QVariant& value)
{
    return value.value<MivFileDataPtr>();
}

// The sides alive now, on the GUI thread: a column notice names its side
// only by address, which is looked up here and never read.
QList<MivFilesTabViewController*>& liveSides()
{
    static QList<MivFilesTabViewController*> sides;
    return sides;
}

} // namespace

MivFilesTabViewController::MivFilesTabViewController(QWidget* parent)
    : QWidget(parent),
      m_loadQueue(MivExec::createSerialDispatchQueueWithName("com.quorvex.mivo-tab-load-queue")),
      m_alive(std::make_shared<bool>(true)),
      m_controlBar(new QButtonGroup(this)),
      m_tabBar(new MivTabBarView(this)),
      m_driveToolbar(new QWidget(this)),
      m_tabView(new MivTabView(this))
{
    m_controlBar->setExclusive(false);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    const QString controlTitles[] = {QStringLiteral("\u2191"), QStringLiteral("."), QStringLiteral("\u2630")};
    const QString controlTips[] = {tr("Up one folder"), tr("Hidden files"), tr("Tab bar")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QToolButton(this);
        button->setText(controlTitles[i]);
        button->setToolTip(controlTips[i]);
        button->setCheckable(true);
        button->setAutoRaise(true);
        m_controlBar->addButton(button, i);
        top->addWidget(button);
    }
    connect(m_controlBar, &QButtonGroup::idClicked, this, &MivFilesTabViewController::actionPerformed);

    m_driveSegments = new MivDriveButtonBar(m_driveToolbar);
    auto* strip = new QHBoxLayout(m_driveToolbar);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->addWidget(m_driveSegments);
    m_driveToolbar->setFixedHeight(kDriveStripHeight);
    top->addWidget(m_driveToolbar, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(m_tabBar);
    layout->addWidget(m_tabView, 1);
    m_tabView->setFrameShape(QFrame::StyledPanel);
    m_tabView->setBackgroundRole(QPalette::Base);
    m_tabView->setAutoFillBackground(true);

    liveSides().append(this);
    connect(m_tabBar, &QTabBar::currentChanged, this, &MivFilesTabViewController::tabBarCurrentChanged);
    connect(m_tabBar, &QTabBar::tabCloseRequested, this, [this](int index) {
        if (index >= 0 && index < m_tabs.size())
            removeTabItem(m_tabs.at(index));
    });
}

MivFilesTabViewController::~MivFilesTabViewController()
{
    *m_alive = false;
    m_observers.clear();
    // A listing still running holds its panel and may drop it last, off the
    // GUI thread: the pages, which own the panels' list views, go first, here.
    for (const TabItemPtr& tab : std::as_const(m_tabs)) {
        QWidget* page = tab->view();
        tab->setView(nullptr);
        m_tabView->removeWidget(page);
        delete page;
    }
    m_tabs.clear();
}

void MivFilesTabViewController::setIdentifier(const QString& ident)
{
    m_ident = ident;
    setObjectName(ident);
}

void MivFilesTabViewController::setEntry(const std::shared_ptr<MivContextEntry>& entry)
{
    m_entry = entry;
    if (!entry)
        return;
    if (!m_entryController)
        m_entryController = std::make_shared<EntryController>(this);
    entry->setController(m_entryController);
}

// --- Start-up ---

void MivFilesTabViewController::queueOnLoadQueue(std::function<void()> work)
{
    m_loadQueue->async(std::move(work));
}

void MivFilesTabViewController::awakeFromNib()
{
    if (m_awake)
        return;
    m_awake = true;
    if (!m_ident.isEmpty())
        setObjectName(m_ident);
    const auto side = entry();
    if (side && side->showHidden())
        m_controlBar->button(kControlHidden)->setChecked(true);

    observe(QString::fromLatin1(ksFilesTableContextChanged), [this](const plat::Notification& note) {
        fileContextChanged(note.object, itemOf(note.userInfo.value(QStringLiteral("context"))));
    });
    observe(kDriveButtonRemoved, [this](const plat::Notification& note) {
        driveButtonRemoved(itemOf(note.userInfo.value(QStringLiteral("context"))));
    });
    // The volume is taken hold of on the posting thread, while the poster still holds it.
    QPointer<MivFilesTabViewController> self(this);
    m_observers.push_back(plat::NotificationCenter::defaultCenter().observe(
        kDriveImageResolved, nullptr, [self](const plat::Notification& note) {
            const auto* object = static_cast<const MivFileData*>(note.object);
            MivFileDataPtr volume = object ? const_cast<MivFileData*>(object)->shared_from_this() : nullptr;
            MivExec::runOnMainThreadAsync([self, volume] {
                if (self)
                    self->driveImageResolved(volume);
            });
        }));

    m_driveSegments->reload();
    connect(m_driveSegments, &MivDriveButtonBar::selectedSegmentChanged, this,
            &MivFilesTabViewController::segmentSelected);

    tabsPreferencesChanged();
    const QList<TabItemPtr> rest = loadTabs();
    if (m_tabs.isEmpty()) {
        if (side)
            side->setLoaded(true);
        setupTabView();
    }
    queueOnLoadQueue([self, rest] {
        // The other tabs' titles come from their saved locations, resolved here, off the GUI thread.
        QList<QPair<TabItemPtr, MivFileDataPtr>> roots;
        for (const TabItemPtr& tab : rest) {
            if (const auto state = tab->stateData())
                roots.append({tab, MivFileDataManager::rootDataForEntry(*state)});
        }
        MivExec::runAsyncOnMainThread([self, roots] {
            if (!self)
                return;
            for (const auto& [tab, root] : roots) {
                if (root && self->m_tabs.contains(tab))
                    self->updateVisualData(root, tab);
            }
            if (auto side = self->entry())
                side->setLoaded(true);
            const TabItemPtr selected = self->selectedTabViewItem();
            const StartupListing resolved = std::exchange(self->m_startupListing, {});
            if (selected && resolved.tab == selected && self->m_tabs.contains(selected))
                self->listResolved(resolved.tab, resolved.descriptor, true);
            // A tab the user selected while the side was loading was not listed then.
            if (selected && !selected->stateLoaded() && !selected->retrieving())
                self->onSelectTabViewItem(selected, false);
            self->refreshTabBar();
            self->registerObservers();
        });
    });
}

QList<MivFilesTabViewController::TabItemPtr> MivFilesTabViewController::loadTabs()
{
    m_notLoadedStateEntries.clear();
    QList<TabItemPtr> rest;
    TabItemPtr selected;
    const auto side = entry();
    if (!side)
        return rest;
    const QList<QVariantMap> saved = side->items();
    for (int i = 0; i < saved.size(); ++i) {
        TabItemPtr tab = createTabForFile(nullptr, saved.at(i), -1);
        if (tab && tab->panel()) {
            if (i == side->selectedItem())
                selected = tab;
            else
                rest.append(tab);
        } else {
            m_notLoadedStateEntries.append({i, saved.at(i)});
            MIV_LOG_DEBUG(QStringLiteral("Cannot load data for item: %1").arg(i));
        }
    }
    loadUISettings();
    if (!saved.isEmpty())
        loadSelected(selected);
    // The first tab stands in for a selected position that gave no tab.
    if (!selected && !m_tabs.isEmpty())
        rest.removeOne(selectedTabViewItem());
    return rest;
}

void MivFilesTabViewController::loadUISettings()
{
    const auto side = entry();
    if (!side)
        return;
    if (side->tabMode() != m_tabBar->isHidden()) {
        m_tabBar->setHidden(side->tabMode());
        m_controlBar->button(kControlTabBar)->setChecked(side->tabMode());
    }
    if (side->driveMode() != m_driveToolbar->isHidden())
        m_driveToolbar->setHidden(side->driveMode());
}

void MivFilesTabViewController::loadSelected(TabItemPtr tab)
{
    if (!tab)
        tab = selectedTabViewItem();
    if (!tab)
        return;
    // The side is not loaded yet: the selection handler ignores this.
    selectTab(tab);
    retrieveDataForItem(tab, true);
}

void MivFilesTabViewController::setupTabView()
{
    openTabForData(nullptr, QString(), -1, false, {});
    // The segment reaction lists the home folder in the new tab.
    m_driveSegments->setSelectedSegment(-1);
    m_driveSegments->setSelectedSegment(0);
}

void MivFilesTabViewController::observe(const QString& name,
                                        std::function<void(const plat::Notification& note)> handler)
{
    QPointer<MivFilesTabViewController> self(this);
    auto shared = std::make_shared<std::function<void(const plat::Notification&)>>(std::move(handler));
    m_observers.push_back(plat::NotificationCenter::defaultCenter().observe(
        name, nullptr, [self, shared](const plat::Notification& note) {
            MivExec::runOnMainThreadAsync([self, shared, note] {
                if (self)
                    (*shared)(note);
            });
        }));
}

void MivFilesTabViewController::registerObservers()
{
    // Changes made while the side restores its tabs are not applied to it.
    for (const QString& name : {MivFilesTableColumnsHandler::kSortChangedNotification,
                                MivFilesTableColumnsHandler::kColumnMovedNotification,
                                MivFilesTableColumnsHandler::kColumnResizedNotification,
                                MivFilesTableColumnsHandler::kColumnHiddenNotification}) {
        observe(name, [this](const plat::Notification& note) { columnChanged(note.object); });
    }
    observe(MivContext::notificationName(MivContext::Notify::Font),
            [this](const plat::Notification&) { fontPreferencesChanged(); });
    observe(MivContext::notificationName(MivContext::Notify::FileTable),
            [this](const plat::Notification&) { tablePreferencesChanged(); });
    observe(MivContext::notificationName(MivContext::Notify::FileTableRefresh),
            [this](const plat::Notification&) { tableRefreshPreferencesChanged(); });
    observe(MivContext::notificationName(MivContext::Notify::Tabs),
            [this](const plat::Notification&) { tabsPreferencesChanged(); });
}

MivFilesTabViewController* MivFilesTabViewController::sideForContainer(const void* container)
{
    if (!container)
        return nullptr;
    for (MivFilesTabViewController* side : liveSides()) {
        if (side == container || (side->m_entryController && side->m_entryController.get() == container))
            return side;
    }
    return nullptr;
}

void MivFilesTabViewController::columnChanged(const void* container)
{
    MivFilesTabViewController* source = sideForContainer(container);
    if (!source)
        return;
    const auto context = MivContext::context();
    if (source != this && !(context && context->synchPanelTablesSettings()))
        return;
    const TabItemPtr changed = source->selectedTabViewItem();
    MivFilesViewController* panel = changed ? changed->panel().get() : nullptr;
    if (!panel)
        return;
    const QVariantMap configuration = panel->filesTable()->columnConfiguration();
    for (const TabItemPtr& tab : m_tabs) {
        // The panel applies it without posting a notice, so the sides do not echo each other.
        if (tab != changed && tab->panel())
            tab->panel()->applyColumnConfiguration(configuration);
    }
}

void MivFilesTabViewController::fontPreferencesChanged()
{
    for (const TabItemPtr& tab : m_tabs) {
        if (tab->panel())
            tab->panel()->filesTable()->updateFontPreferences();
    }
}

void MivFilesTabViewController::tablePreferencesChanged()
{
    for (const TabItemPtr& tab : m_tabs) {
        if (!tab->panel())
            continue;
        tab->panel()->filesTable()->updatePreferences();
        tab->panel()->refreshPanel();
    }
}

void MivFilesTabViewController::tableRefreshPreferencesChanged()
{
    for (const TabItemPtr& tab : m_tabs) {
        if (tab->panel())
            tab->panel()->refreshPanel();
    }
}

void MivFilesTabViewController::tabsPreferencesChanged()
{
    const auto context = MivContext::context();
    if (!context)
        return;
    m_tabBar->setTabWidths(context->tabVariableSize(), context->tabConstantSize());
}

void MivFilesTabViewController::refreshTabBar()
{
    requestFocusToActivePanel();
    m_tabBar->update();
}

// --- Tabs ---

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::selectedTabViewItem() const
{
    const int index = m_tabBar->currentIndex();
    return index >= 0 && index < m_tabs.size() ? m_tabs.at(index) : nullptr;
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::tabViewItemForPanel(
    const MivFilesViewController* panel) const
{
    for (const TabItemPtr& tab : m_tabs) {
        if (panel && tab->panel().get() == panel)
            return tab;
    }
    return nullptr;
}

void MivFilesTabViewController::selectTab(const TabItemPtr& tab)
{
    const int index = indexOfTab(tab);
    if (index >= 0)
        m_tabBar->setCurrentIndex(index);
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::openTabForData(const MivFileDataPtr& data,
                                                                                const QString& context, int index,
                                                                                bool, TabCompletion completionHandler)
{
    const std::optional<QVariantMap> state = MivContextEntry::savinDataForTabItem(nullptr, data, context);
    if (!state)
        return showFilesPanelForData(data, QString(), -1);
    TabItemPtr tab = insertNewTabForFile(data, *state, index);
    if (tab && completionHandler)
        completionHandler(tab);
    return tab;
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::insertNewTabForFile(const MivFileDataPtr& data,
                                                                                    const QVariantMap& state,
                                                                                    int index)
{
    TabItemPtr tab = createTabForFile(data, state, index);
    // With an item the tab lists it at once; the saved location is only resolved without one.
    if (tab && !data)
        retrieveDataForItem(tab, false);
    return tab;
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::createTabForFile(const MivFileDataPtr& data,
                                                                                 const QVariantMap& state, int index)
{
    TabItemPtr tab =
        showFilesPanelForData(data, state.value(QStringLiteral("context")).toString(), index, nullptr);
    if (!tab)
        return nullptr;
    tab->setStateData(state);
    initLockForItem(tab);
    return tab;
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::showFilesPanelForData(const MivFileDataPtr& data,
                                                                                      const QString& context,
                                                                                      int index,
                                                                                      const MivFileDataPtr& populateData)
{
    // A key without a segment (a volume not mounted now) gives no tab.
    if (!context.isEmpty() && m_driveSegments->buttonForKey(context) < 0)
        return nullptr;
    if (context == QLatin1String(ksMivNetworkDataName))
        assignNetworkRootFor(m_driveSegments, data);
    PanelPtr panel = MivFilesViewController::create();
    if (!m_ident.isEmpty())
        panel->setIdentifier(m_ident);
    panel->setEntry(entry());
    TabItemPtr tab = addTab(panel, index, context, context);
    if (data)
        retrieveData(data, tab, populateData);
    return tab;
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::addTab(const PanelPtr& panel, int index,
                                                                       const QString& label, const QString& context)
{
    auto tab = std::make_shared<MivFileTabViewItem>(panel, context);
    // The page owns the panel's list view from here on, so it goes with the tab.
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    if (panel) {
        if (QWidget* table = panel->filesTable()) {
            pageLayout->addWidget(table);
            page->setFocusProxy(table);
        }
    }
    tab->setView(page);
    tab->setLabel(label);
    tab->setChangeHandler([this](MivFileTabViewItem* item) { tabLabelChanged(item); });
    if (index < 0 || index > m_tabs.size())
        index = static_cast<int>(m_tabs.size());
    m_tabs.insert(index, tab);
    m_tabView->insertWidget(index, page);
    const QSignalBlocker blocker(m_tabBar);
    const int current = m_tabBar->currentIndex();
    m_tabBar->insertTab(index, tab->label());
    if (current < 0)
        m_tabBar->setCurrentIndex(0);
    m_tabView->setCurrentIndex(m_tabBar->currentIndex());
    return tab;
}

void MivFilesTabViewController::tabLabelChanged(MivFileTabViewItem* item)
{
    for (int i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs.at(i).get() == item) {
            m_tabBar->setTabText(i, item->label());
            m_tabBar->setTabToolTip(i, item->toolTip());
        }
    }
}

void MivFilesTabViewController::retrieveDataForItem(const TabItemPtr& tab, bool onlyWhileSelected)
{
    if (!tab || !tab->stateData() || !tab->panel() || tab->retrieving())
        return;
    tab->setRetrieving(true);
    QPointer<MivFilesTabViewController> self(this);
    const QVariantMap state = *tab->stateData();
    postOperation(ksFilesTableStartOperationNotification, tab);
    queueOnLoadQueue([self, tab, state, onlyWhileSelected] {
        // Resolving may connect a share or wait for a dead mount: never on the GUI thread.
        const auto descriptor = MivFileDataManager::fileDataDescriptorForEntry(state);
        MivExec::runAsyncOnMainThread([self, tab, descriptor, onlyWhileSelected] {
            if (!self)
                return;
            self->postOperation(ksFilesTableStopOperationNotification, tab);
            tab->setRetrieving(false);
            if (!self->m_tabs.contains(tab))
                return;
            // A selection made meanwhile wins: the tab resolves again when selected.
            if (onlyWhileSelected && self->selectedTabViewItem() != tab)
                return;
            tab->setStateLoaded(true);
            if (!descriptor) {
                MIV_LOG_ERROR(QStringLiteral("[Tab For Data] Failed descriptor for entry: %1").arg(tab->context()));
                return;
            }
            if (!descriptor->root()) {
                MIV_LOG_ERROR(QStringLiteral("[Tab For Data] ROOT Data doesn't exist: %1").arg(tab->context()));
                return;
            }
            const auto side = self->entry();
            if (onlyWhileSelected && side && !side->loaded()) {
                // A panel lists nothing before its side is loaded: the side
                // lists the tab when its start-up ends, if it is still selected.
                self->m_startupListing = {tab, descriptor};
                return;
            }
            self->listResolved(tab, descriptor, onlyWhileSelected);
        });
    });
}

void MivFilesTabViewController::listResolved(const TabItemPtr& tab, const std::shared_ptr<MivFileDataDescriptor>& descriptor,
                                             bool onlyWhileSelected)
{
    // A tab listed on its selection is selected already; selecting it again
    // when the listing ends would undo a selection made meanwhile.
    retrieveData(descriptor->root(), tab, descriptor->data(), !onlyWhileSelected);
    if (onlyWhileSelected) {
        // The strip shows the selected tab's segment without listing it again.
        m_reloadOnSegmentSelection = false;
        m_driveSegments->selectSegmentWithContext(tab->context());
        m_reloadOnSegmentSelection = true;
    }
}

void MivFilesTabViewController::retrieveData(const MivFileDataPtr& data, const TabItemPtr& tab,
                                             const MivFileDataPtr& populateData, bool selectWhenListed)
{
    if (!tab)
        return;
    updateVisualData(populateData ? populateData : data, tab);
    const auto side = entry();
    populate(tab, populateData ? populateData : data, selectWhenListed && side && side->loaded());
}

void MivFilesTabViewController::populate(const TabItemPtr& tab, const MivFileDataPtr& data, bool selectWhenListed)
{
    if (!tab->panel())
        return;
    QPointer<MivFilesTabViewController> self(this);
    std::weak_ptr<MivFileTabViewItem> weakTab = tab;
    tab->panel()->populateAsyncTableData(data, [self, weakTab, selectWhenListed](const PanelPtr&, bool success,
                                                                                 const plat::Error&) {
        if (!success || !selectWhenListed)
            return;
        MivExec::runOnMainThreadAsync([self, weakTab] {
            if (auto listed = weakTab.lock(); listed && self)
                self->selectTab(listed);
        });
    });
}

int MivFilesTabViewController::openNewTabIndex() const
{
    const auto context = MivContext::context();
    const qint64 placement = context ? context->openTabPlacementOption() : 1;
    if (placement == 2)
        return -1;
    if (placement == 3) {
        const int next = m_tabBar->currentIndex() + 1;
        return next < numberOfTabs() ? next : -1;
    }
    return 0;
}

bool MivFilesTabViewController::checkCloseTabItem(const TabItemPtr& tab)
{
    if (m_tabs.size() <= 1 || !m_tabs.contains(tab))
        return false;
    if (tab->panel())
        tab->panel()->close();
    return true;
}

bool MivFilesTabViewController::removeTabItem(const TabItemPtr& tab)
{
    if (!checkCloseTabItem(tab))
        return false;
    const int index = indexOfTab(tab);
    m_tabs.removeAt(index);
    QWidget* page = tab->view();
    tab->setView(nullptr);
    m_tabView->removeWidget(page);
    delete page;
    // Removing the current tab selects a neighbour, which the selection handling takes.
    m_tabBar->removeTab(index);
    if (m_tabs.isEmpty())
        setupTabView();
    return true;
}

void MivFilesTabViewController::insertNewTab()
{
    // The add-tab command stops at six tabs; cloning from the tab menu does not.
    constexpr int kMaxTabsBeforeInsert = 5;
    if (numberOfTabs() > kMaxTabsBeforeInsert)
        return;
    insertNewTabAsCopyOf(selectedTabViewItem());
}

void MivFilesTabViewController::closeTabsBelowPlace(const void* removedPlace)
{
    if (!removedPlace)
        return;
    // The poster may hand the item as its base or as its complete object.
    const auto below = [removedPlace](const MivFileDataPtr& folder) {
        const MivFileDataPtr root = MivFileDataManager::rootData(folder);
        return root && (root.get() == removedPlace || dynamic_cast<const void*>(root.get()) == removedPlace);
    };
    for (const TabItemPtr& tab : QList<TabItemPtr>(m_tabs)) {
        const auto& panel = tab->panel();
        // A tab still listing the place has not shown it yet, and must go too.
        if (panel && (below(panel->context()) || below(panel->tmpContext())))
            removeTabItem(tab);
    }
}

// --- Locks and clones ---

void MivFilesTabViewController::processLock(bool soft, const TabItemPtr& tab)
{
    if (!tab)
        return;
    const bool wasLocked = tab->locked();
    if (soft) {
        if (tab->softLocked()) {
            tab->setLocked(false);
        } else {
            tab->setLocked(true);
            tab->setSoftLocked(true);
        }
    } else if (tab->softLocked()) {
        tab->setSoftLocked(false);
    } else {
        tab->setLocked(!tab->locked());
    }
    if (tab->locked() == wasLocked)
        return;
    if (tab->locked()) {
        const MivFileDataPtr shown = tab->panel() ? tab->panel()->context() : nullptr;
        tab->setLockContext(shown ? shown->savingKey() : QString());
        tab->setLockContextData(MivContextEntry::savinDataForTabItem(tab.get(), nullptr, QString()));
    } else {
        tab->setLockContext(QString());
        tab->setLockContextData(std::nullopt);
    }
}

void MivFilesTabViewController::setLockedForItem(const TabItemPtr& tab, bool locked, bool softLocked,
                                                 const QString& lockContext,
                                                 const std::optional<QVariantMap>& lockData)
{
    if (!tab)
        return;
    tab->setLocked(locked);
    tab->setSoftLocked(softLocked);
    if (tab->locked() || tab->softLocked()) {
        tab->setLockContext(lockContext);
        tab->setLockContextData(lockData);
        if (tab->locked() && (lockContext.isEmpty() || !lockData)) {
            const MivFileDataPtr shown = tab->panel() ? tab->panel()->context() : nullptr;
            tab->setLockContext(shown ? shown->savingKey() : QString());
            tab->setLockContextData(shown ? MivContextEntry::savinDataForTabItem(tab.get(), nullptr, QString())
                                          : std::nullopt);
        }
    } else {
        tab->setLockContext(QString());
        tab->setLockContextData(std::nullopt);
    }
}

void MivFilesTabViewController::initLockForItem(const TabItemPtr& tab)
{
    if (!tab || !tab->stateData())
        return;
    const QVariantMap state = *tab->stateData();
    const QVariant data = state.value(QStringLiteral("lockContextData"));
    setLockedForItem(tab, state.value(QStringLiteral("locked")).toBool(),
                     state.value(QStringLiteral("softLocked")).toBool(),
                     state.value(QStringLiteral("lockContext")).toString(),
                     data.isValid() ? std::optional<QVariantMap>(data.toMap()) : std::nullopt);
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::handleLockedTab(MivFilesViewController* panel,
                                                                                 const MivFileDataPtr& data)
{
    const auto side = entry();
    if (!data || !side || !side->loaded())
        return nullptr;
    const TabItemPtr tab = tabViewItemForPanel(panel);
    if (!tab || !tab->locked() || tab->softLocked())
        return nullptr;
    return openTabForData(data, QString(), openNewTabIndex(), true, {});
}

MivFilesTabViewController::TabItemPtr MivFilesTabViewController::insertNewTabAsCopyOf(const TabItemPtr& tab)
{
    if (!tab)
        return nullptr;
    const std::optional<QVariantMap> state = MivContextEntry::savinDataForTabItem(tab.get(), nullptr, QString(), true);
    if (!state)
        return nullptr;
    const MivFileDataPtr shown = tab->panel() ? tab->panel()->context() : nullptr;
    TabItemPtr copy = insertNewTabForFile(shown, *state, openNewTabIndex());
    if (!copy)
        return nullptr;
    // The clone unlocks after the work its load queued, so that work cannot lock it again.
    QPointer<MivFilesTabViewController> self(this);
    queueOnLoadQueue([self, copy] {
        MivExec::runAsyncOnMainThread([self, copy] {
            if (self)
                self->setLockedForItem(copy, false, false, QString(), std::nullopt);
        });
    });
    return copy;
}

std::optional<QVariantMap> MivFilesTabViewController::lockConfiguration() const
{
    const TabItemPtr tab = selectedTabViewItem();
    return tab ? std::optional<QVariantMap>(tab->lockState()) : std::nullopt;
}

// --- Folder changes and selection ---

MivFilesViewController* MivFilesTabViewController::changeFilesPanelForData(
    const MivFileDataPtr& data, const QString& selection, const std::optional<QVariantMap>& dataContext)
{
    const TabItemPtr tab = selectedTabViewItem();
    MivFilesViewController* panel = tab ? tab->panel().get() : nullptr;
    changeFilesPanel(panel, data, tab, selectTarget(selection), dataContext);
    return panel;
}

MivFilesViewController* MivFilesTabViewController::changeFilesPanelForData(
    const MivFileDataPtr& data, const TabItemPtr& tab, const QString& selection,
    const std::optional<QVariantMap>& dataContext)
{
    MivFilesViewController* panel = tab ? tab->panel().get() : nullptr;
    changeFilesPanel(panel, data, tab, selectTarget(selection), dataContext);
    return panel;
}

void MivFilesTabViewController::changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data,
                                                 const MivSelectTarget& selection,
                                                 const std::optional<QVariantMap>& dataContext)
{
    // The panel's own tab takes the folder's label, even when it is not the
    // selected one.
    const TabItemPtr own = tabViewItemForPanel(panel);
    changeFilesPanel(panel, data, own ? own : selectedTabViewItem(), selection, dataContext);
}

void MivFilesTabViewController::changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data,
                                                 const TabItemPtr& tabItem, const MivSelectTarget& selection,
                                                 const std::optional<QVariantMap>& dataContext)
{
    TabItemPtr tab = tabItem;
    if (data) {
        if (TabItemPtr diverted = handleLockedTab(panel, data)) {
            tab = diverted;
            panel = diverted->panel().get();
        }
        if (tab) {
            tab->setLabel(data->name());
            tab->setToolTip(data->displayInfo());
        }
    }
    if (!tab || !panel)
        return;
    if (dataContext) {
        showData(*dataContext, tab);
        return;
    }
    updateDriveSegmentContextForData(data, tab);
    const QString* key = std::get_if<QString>(&selection);
    panel->populateTableData(data, key && key->isEmpty() ? MivSelectTarget() : selection);
}

void MivFilesTabViewController::updateDriveSegmentContextForData(const MivFileDataPtr& data, const TabItemPtr& tab)
{
    if (!data || !tab)
        return;
    if (const MivFileDataPtr drive = m_driveSegments->driveContextForKey(data->pathKey())) {
        updateVisualData(data, tab);
        tab->updateContext(drive);
    }
}

void MivFilesTabViewController::updateVisualData(const MivFileDataPtr& data, const TabItemPtr& tab)
{
    if (!tab || !data)
        return;
    tab->setLabel(data->name());
    tab->setToolTip(data->displayInfo());
    const MivFileDataPtr drive = m_driveSegments->driveContextForKey(data->savingKey());
    if (!drive || drive->pathKey().isEmpty() || tab->context() == drive->pathKey())
        return;
    tab->setContext(drive->pathKey());
    if (selectedTabViewItem() == tab) {
        // The strip follows the active tab's folder without listing it again.
        m_reloadOnSegmentSelection = false;
        m_driveSegments->selectSegmentWithContext(drive->pathKey());
        m_reloadOnSegmentSelection = true;
    }
}

void MivFilesTabViewController::showData(const QVariantMap& dataContext, const TabItemPtr& tabItem)
{
    const TabItemPtr tab = tabItem ? tabItem : selectedTabViewItem();
    if (!tab || !tab->panel())
        return;
    QPointer<MivFilesTabViewController> self(this);
    const PanelPtr panel = tab->panel();
    const MivFileDataPtr current = MivFileDataManager::rootData(panel->context());
    MivDriveButtonBar* bar = m_driveSegments;
    postOperation(ksFilesTableStartOperationNotification, tab);
    queueOnLoadQueue([self, tab, panel, current, bar, dataContext] {
        const auto descriptor = MivFileDataManager::fileDataDescriptorForEntry(dataContext);
        const MivFileDataPtr root = descriptor ? descriptor->root() : nullptr;
        const MivFileDataPtr target = descriptor && descriptor->data() ? descriptor->data() : root;
        // The location re-expressed under the root the panel shows now keeps
        // the panel on the connection it has.
        MivFileDataPtr moved;
        if (target && current && !MivFileUtils::isSpecialFile(target) && !MivFileUtils::isSpecialFile(current))
            moved = MivFileDataManager::moveData(current, target->savingKey());
        if (root && !moved && dataContext.value(QStringLiteral("context")).toString() == QLatin1String(ksMivNetworkDataName))
            assignNetworkRootFor(bar, root);
        MivExec::runAsyncOnMainThread([self, tab, panel, root, target, moved] {
            if (!self)
                return;
            self->postOperation(ksFilesTableStopOperationNotification, tab);
            if (!root || !self->m_tabs.contains(tab))
                return;
            if (moved) {
                panel->populateTableData(moved);
                return;
            }
            self->updateDriveSegmentContextForData(root, tab);
            panel->populateTableData(target);
        });
    });
}

void MivFilesTabViewController::assignNetworkRootFor(const MivDriveButtonBar* bar, const MivFileDataPtr& data)
{
    const QString network = QString::fromLatin1(ksMivNetworkDataName);
    if (!data || !bar || data->savingKey() == network)
        return;
    if (const MivFileDataPtr networkRoot = bar->fileDataContextAtIndex(bar->buttonForKey(network)))
        data->setParent(networkRoot);
}

void MivFilesTabViewController::changeContextForNetworkFile(const MivFileDataPtr& data)
{
    const int segment = m_driveSegments->buttonForKey(QString::fromLatin1(ksMivNetworkDataName));
    const MivFileDataPtr networkRoot = segment < 0 ? nullptr : m_driveSegments->fileDataContextAtIndex(segment);
    if (!data || !networkRoot)
        return;
    data->setParent(networkRoot);
    if (const TabItemPtr tab = selectedTabViewItem()) {
        tab->reloadWithData(networkRoot);
        tabBarCurrentChanged(m_tabBar->currentIndex());
    }
}

void MivFilesTabViewController::onSelectTabViewItem(const TabItemPtr& tab, bool requestFocus)
{
    if (!tab)
        return;
    postOperation(ksFilesTableStartOperationNotification, tab);
    m_reloadOnSegmentSelection = false;
    if (requestFocus)
        requestFocusToActivePanel();
    m_driveSegments->selectSegmentWithContext(tab->context());
    m_reloadOnSegmentSelection = true;
    const MivFileDataPtr shown = tab->panel() ? tab->panel()->context() : nullptr;
    if (tab->locked() && !tab->lockContext().isEmpty() && tab->lockContextDataIfAny() &&
        (!shown || shown->savingKey() != tab->lockContext())) {
        showData(*tab->lockContextDataIfAny(), tab);
    } else {
        checkContextForItem(tab);
    }
    postOperation(ksFilesTableStopOperationNotification, tab);
}

void MivFilesTabViewController::checkContextForItem(const TabItemPtr& tab)
{
    if (!tab || !tab->panel() || m_driveButtonRemoving || tab->panel()->closed())
        return;
    const PanelPtr panel = tab->panel();
    const MivFileDataPtr shown = panel->context();
    if (!shown) {
        retrieveDataForItem(tab, true);
        return;
    }
    QPointer<MivFilesTabViewController> self(this);
    queueOnLoadQueue([self, tab, shown] {
        // exists and activate may wait on a server: off the GUI thread.
        bool found = shown->exists() || (shown->activate() && shown->exists());
        for (MivFileDataPtr up = shown->parent(); !found && up; up = up->parent())
            found = up->exists();
        MivExec::runAsyncOnMainThread([self, tab, found] {
            if (!self || !self->m_tabs.contains(tab))
                return;
            if (!found) {
                self->removeTabItem(tab);
                return;
            }
            if (self->selectedTabViewItem() != tab)
                return;
            const auto side = self->entry();
            const PanelPtr panel = tab->panel();
            if ((side && panel->showHidden() != side->showHidden()) || panel->dirty())
                panel->refreshPanel();
        });
    });
}

void MivFilesTabViewController::tabBarCurrentChanged(int index)
{
    if (index < 0 || index >= m_tabs.size())
        return;
    m_tabView->setCurrentIndex(index);
    const auto side = entry();
    if (side && side->loaded())
        onSelectTabViewItem(m_tabs.at(index), true);
}

void MivFilesTabViewController::segmentSelected(int segment)
{
    if (!m_reloadOnSegmentSelection || m_driveSegments->locked())
        return;
    const TabItemPtr tab = selectedTabViewItem();
    const MivFileDataPtr drive = m_driveSegments->fileDataContextAtIndex(segment);
    if (!tab || !drive)
        return;
    QPointer<MivFilesTabViewController> self(this);
    queueOnLoadQueue([self, tab, drive] {
        drive->activate();
        MivExec::runAsyncOnMainThread([self, tab, drive] {
            if (!self || self->selectedTabViewItem() != tab)
                return;
            tab->reloadWithData(drive);
            self->requestFocusToActivePanel();
        });
    });
}

void MivFilesTabViewController::fileContextChanged(const void* panel, const MivFileDataPtr& data)
{
    if (!panel || !data)
        return;
    // A panel of the other side finds no tab here.
    if (const TabItemPtr tab = tabViewItemForPanel(static_cast<const MivFilesViewController*>(panel)))
        updateVisualData(data, tab);
}

void MivFilesTabViewController::driveButtonRemoved(const MivFileDataPtr& volume)
{
    if (!volume)
        return;
    const QString key = volume->pathKey();
    const QString volumeKey = volume->savingKey();
    const QScopedValueRollback removing(m_driveButtonRemoving, true);
    for (const TabItemPtr& tab : QList<TabItemPtr>(m_tabs)) {
        const MivFileDataPtr shown = tab->panel() ? tab->panel()->context() : nullptr;
        if (tab->context() == key || isInShareMountedFrom(shown, volumeKey))
            removeTabItem(tab);
    }
}

bool MivFilesTabViewController::isInShareMountedFrom(const MivFileDataPtr& folder, const QString& volumeKey)
{
    // A connection through a share the program mounted has the mount as its root file.
    const MivFileDataPtr mount = MivFileDataManager::rootFileForNetworkData(folder);
    return dynamic_cast<const MivMountDataFile*>(mount.get()) && mount->savingKey() == volumeKey;
}

void MivFilesTabViewController::driveImageResolved(const MivFileDataPtr& volume)
{
    if (!volume)
        return;
    const int segment = m_driveSegments->buttonForKey(volume->pathKey());
    if (segment >= 0)
        m_driveSegments->configureDriveButtonSegment(segment, volume);
}

void MivFilesTabViewController::postOperation(const char* name, const TabItemPtr& tab) const
{
    if (tab && tab->panel())
        plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(name), tab->panel().get());
}

void MivFilesTabViewController::hideSearchPanel()
{
    QPointer<MivFilesTabViewController> self(this);
    MivExec::runOnMainThreadAsync([self] {
        if (!self)
            return;
        // The quick-filter panel arrives with the tab controls.
    });
}

void MivFilesTabViewController::showSearchPanel()
{
    // The quick-filter panel arrives with the tab controls.
}

void MivFilesTabViewController::showDriveMenu()
{
    // The drives menu arrives with the drive strip's menus.
}

// --- Control bar and bars ---

void MivFilesTabViewController::actionPerformed(int segment)
{
    switch (segment) {
    case kControlUp:
        if (MivFilesViewController* panel = activePanel())
            panel->goUp();
        m_controlBar->button(kControlUp)->setChecked(false);
        break;
    case kControlHidden:
        if (auto side = entry())
            side->setShowHidden(checkControlbarOptionSelected(kControlHidden));
        if (MivFilesViewController* panel = activePanel())
            panel->refreshPanel();
        break;
    case kControlTabBar:
        switchFullScreenView(false);
        break;
    default:
        break;
    }
}

void MivFilesTabViewController::selectControlbarOption(int segment)
{
    QAbstractButton* button = m_controlBar->button(segment);
    if (!button)
        return;
    button->setChecked(!button->isChecked());
    actionPerformed(segment);
}

bool MivFilesTabViewController::checkControlbarOptionSelected(int segment) const
{
    QAbstractButton* button = m_controlBar->button(segment);
    return button && button->isChecked();
}

void MivFilesTabViewController::switchFullScreenView(bool)
{
    m_tabBar->setHidden(!m_tabBar->isHidden());
}

void MivFilesTabViewController::showHideDriveBar(bool)
{
    m_driveToolbar->setHidden(!m_driveToolbar->isHidden());
}

// --- Queries ---

MivFilesViewController* MivFilesTabViewController::activePanel() const
{
    const TabItemPtr tab = selectedTabViewItem();
    return tab ? tab->panel().get() : nullptr;
}

QString MivFilesTabViewController::activeContext() const
{
    const TabItemPtr tab = selectedTabViewItem();
    return tab ? tab->context() : QString();
}

void MivFilesTabViewController::requestFocusToActivePanel()
{
    if (QWidget* page = m_tabView->currentWidget())
        page->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

bool MivFilesTabViewController::isTabBarHidden() const
{
    return m_tabBar->isHidden();
}

bool MivFilesTabViewController::isDriveBarHidden() const
{
    return m_driveToolbar->isHidden();
}

bool MivFilesTabViewController::isPathBarHidden() const
{
    // The path bar comes with the file table; without an active panel it counts as hidden.
    return activePanel() == nullptr;
}

// --- Life cycle ---

void MivFilesTabViewController::saveState()
{
    auto side = entry();
    if (!side)
        return;
    QList<std::shared_ptr<IMivSavedTab>> saved;
    for (const TabItemPtr& tab : m_tabs)
        saved.append(tab);
    side->saveItems(saved);
    side->setSelectedItem(m_tabBar->currentIndex());
    side->setTabMode(isTabBarHidden());
    side->setDriveMode(isDriveBarHidden());
    side->setPathBarHidden(isPathBarHidden());
}

void MivFilesTabViewController::shutdown()
{
    for (const TabItemPtr& tab : m_tabs) {
        if (tab->panel())
            tab->panel()->close();
    }
    m_driveSegments->close();
}
