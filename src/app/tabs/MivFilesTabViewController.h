#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/panel/MivPopulateData.h"

#include "platform/Notification.h"
#include "platform/NotificationToken.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class IMivContextEntryController;
class MivContextEntry;
class MivDriveButtonBar;
class MivFileDataDescriptor;
class MivFileTabViewItem;
class MivFilesViewController;
class MivTabBarView;
class MivTabView;
class QAbstractButton;
class QButtonGroup;
class QWidget;

namespace plat {
class SerialQueue;
} // namespace plat

// One side of the main window ("left" or "right"): its tabs, each holding one
// file panel, shown one at a time in a stack of pages, with the tab bar, the
// drive strip and the control bar. The side's saved state lives in its
// MivContextEntry.
//
// Threads. Widgets and tab items live on the GUI thread. Saved locations are
// resolved on the side's serial tab load queue (resolving may connect to a
// server) and the result continues on the GUI thread; a continuation whose
// tab is no longer the selected one is dropped, so a selection made
// meanwhile wins. The GUI thread never waits for the queue.
class MivFilesTabViewController : public QWidget
{
    Q_OBJECT

public:
    using TabItemPtr = std::shared_ptr<MivFileTabViewItem>;
    using TabCompletion = std::function<void(const TabItemPtr& tab)>;
    using PanelPtr = std::shared_ptr<MivFilesViewController>;

    static constexpr int kDriveStripHeight = 27;
    static constexpr int kTabBarHeight = 22;
    // Control-bar segments.
    static constexpr int kControlUp = 0;
    static constexpr int kControlHidden = 1;
    static constexpr int kControlTabBar = 2;

    explicit MivFilesTabViewController(QWidget* parent = nullptr);
    ~MivFilesTabViewController() override;

    void setIdentifier(const QString& ident);
    QString identifier() const { return m_ident; }

    // Not owned. Makes this container the entry's controller while it lives.
    void setEntry(const std::shared_ptr<MivContextEntry>& entry);
    std::shared_ptr<MivContextEntry> entry() const { return m_entry.lock(); }

    // The start-up road: called once, after the identifier and the entry are set.
    virtual void awakeFromNib();

    MivTabView* tabView() const { return m_tabView; }
    MivTabBarView* tabBar() const { return m_tabBar; }
    MivDriveButtonBar* driveSegments() const { return m_driveSegments; }
    QWidget* driveToolbar() const { return m_driveToolbar; }
    QButtonGroup* controlBar() const { return m_controlBar; }
    std::shared_ptr<plat::SerialQueue> loadQueue() const { return m_loadQueue; }

    // --- Tabs ---
    QList<TabItemPtr> tabs() const { return m_tabs; }
    int numberOfTabs() const { return static_cast<int>(m_tabs.size()); }
    TabItemPtr selectedTabViewItem() const;
    int indexOfTab(const TabItemPtr& tab) const { return static_cast<int>(m_tabs.indexOf(tab)); }
    TabItemPtr tabViewItemForPanel(const MivFilesViewController* panel) const;
    void selectTab(const TabItemPtr& tab);

    // Opens the folder in a new tab at the index (negative: at the end) and
    // answers the tab; null when no tab could be made.
    virtual TabItemPtr openTabForData(const MivFileDataPtr& data, const QString& context, int index, bool sync,
                                      TabCompletion completionHandler);
    TabItemPtr insertNewTabForFile(const MivFileDataPtr& data, const QVariantMap& state, int index);
    TabItemPtr createTabForFile(const MivFileDataPtr& data, const QVariantMap& state, int index);
    TabItemPtr showFilesPanelForData(const MivFileDataPtr& data, const QString& context, int index,
                                     const MivFileDataPtr& populateData = nullptr);
    // Resolves the tab's saved dictionary on the load queue, then lists it
    // on the GUI thread; onlyWhileSelected drops the result of a tab that is
    // no longer the selected one.
    void retrieveDataForItem(const TabItemPtr& tab, bool onlyWhileSelected);
    void listResolved(const TabItemPtr& tab, const std::shared_ptr<MivFileDataDescriptor>& descriptor,
                      bool onlyWhileSelected);
    // Lists the item in the tab; once the side is loaded a tab so filled
    // becomes the selected one when its listing ends, unless told otherwise.
    void retrieveData(const MivFileDataPtr& data, const TabItemPtr& tab, const MivFileDataPtr& populateData,
                      bool selectWhenListed = true);

    // Where a new tab goes: 0, the end (-1) or after the selected tab.
    int openNewTabIndex() const;
    // Refuses the side's only tab; closes the tab's panel and removes the tab.
    bool removeTabItem(const TabItemPtr& tab);
    bool checkCloseTabItem(const TabItemPtr& tab);
    // A new unlocked tab on the selected tab's folder at the new-tab
    // position; nothing once the side holds six tabs.
    Q_INVOKABLE virtual void insertNewTab();
    // A network place opened from the network browser hangs under the
    // network root, which the selected tab shows again.
    void changeContextForNetworkFile(const MivFileDataPtr& data);
    // Closes the tabs whose folder lies below the removed network place (the
    // place's address, compared, never read); a side's last tab stays.
    virtual void closeTabsBelowPlace(const void* removedPlace);

    // --- Locks and clones ---
    void processLock(bool soft, const TabItemPtr& tab);
    void setLockedForItem(const TabItemPtr& tab, bool locked, bool softLocked, const QString& lockContext,
                          const std::optional<QVariantMap>& lockData);
    void initLockForItem(const TabItemPtr& tab);
    // A hard-locked tab keeps its folder: a change of folder for its panel
    // goes to a new tab, which is answered; null when the panel's tab is free.
    virtual TabItemPtr handleLockedTab(MivFilesViewController* panel, const MivFileDataPtr& data);
    TabItemPtr insertNewTabAsCopyOf(const TabItemPtr& tab);
    std::optional<QVariantMap> lockConfiguration() const;

    // --- Folder changes and selection ---
    virtual MivFilesViewController* changeFilesPanelForData(const MivFileDataPtr& data, const QString& selection,
                                                            const std::optional<QVariantMap>& dataContext);
    virtual MivFilesViewController* changeFilesPanelForData(const MivFileDataPtr& data, const TabItemPtr& tab,
                                                            const QString& selection,
                                                            const std::optional<QVariantMap>& dataContext);
    // A panel's folder change; without a tab, the panel's own tab (else the
    // selected one) takes it.
    virtual void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data,
                                  const MivSelectTarget& selection, const std::optional<QVariantMap>& dataContext);
    virtual void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data, const TabItemPtr& tab,
                                  const MivSelectTarget& selection, const std::optional<QVariantMap>& dataContext);
    void updateDriveSegmentContextForData(const MivFileDataPtr& data, const TabItemPtr& tab);
    void updateVisualData(const MivFileDataPtr& data, const TabItemPtr& tab);
    // Resolves the saved location on the load queue and lists it in the tab's panel.
    void showData(const QVariantMap& dataContext, const TabItemPtr& tab);
    void onSelectTabViewItem(const TabItemPtr& tab, bool requestFocus);
    // Lists a restored tab on its first selection; checks on the load queue
    // that the shown folder still exists, closing the tab when neither it nor
    // any parent does.
    void checkContextForItem(const TabItemPtr& tab);

    // Orders the quick-filter panel out; callable from any thread.
    Q_INVOKABLE void hideSearchPanel();
    // Shows the quick-filter panel over the tab view.
    Q_INVOKABLE virtual void showSearchPanel();
    // Pops up the menu of the places of the drive strip.
    Q_INVOKABLE virtual void showDriveMenu();

    // --- Control bar and bars ---
    void actionPerformed(int segment);
    Q_INVOKABLE void selectControlbarOption(int segment);
    bool checkControlbarOptionSelected(int segment) const;
    // Toggles the tab bar.
    void switchFullScreenView(bool immediately);
    // Toggles the drive strip.
    void showHideDriveBar(bool immediately);

    // --- Queries ---
    // The selected tab's panel; null without tabs.
    virtual MivFilesViewController* activePanel() const;
    QString activeContext() const;
    void requestFocusToActivePanel();
    bool isTabBarHidden() const;
    bool isDriveBarHidden() const;
    bool isPathBarHidden() const;

    // --- Settings fan-out ---
    // Applies the tab-bar settings to the tab bar.
    void tabsPreferencesChanged();

    // --- Life cycle ---
    // Writes the side's state into its entry.
    virtual void saveState();
    // Closes every tab's panel and the drive bar at quit.
    virtual void shutdown();

    // Saved dictionaries that gave no tab at the last start-up, with their positions.
    QList<QPair<int, QVariantMap>> notLoadedStateEntries() const { return m_notLoadedStateEntries; }

private:
    QList<TabItemPtr> loadTabs();
    void loadUISettings();
    void loadSelected(TabItemPtr tab);
    void loadContentForTabs(const QList<TabItemPtr>& tabs);
    void setupTabView();
    void registerObservers();
    // Observes the notification from any poster; the handler runs on the GUI thread while the side lives.
    void observe(const QString& name, std::function<void(const plat::Notification& note)> handler);
    void columnChanged(const void* container);
    void fontPreferencesChanged();
    void tablePreferencesChanged();
    void tableRefreshPreferencesChanged();
    // The live side whose panels post column notices as the container.
    static MivFilesTabViewController* sideForContainer(const void* container);
    void refreshTabBar();
    TabItemPtr addTab(const PanelPtr& panel, int index, const QString& label, const QString& context);
    void tabLabelChanged(MivFileTabViewItem* tab);
    void tabBarCurrentChanged(int index);
    void segmentSelected(int segment);
    void fileContextChanged(const void* panel, const MivFileDataPtr& data);
    void driveButtonRemoved(const MivFileDataPtr& volume);
    void driveImageResolved(const MivFileDataPtr& volume);
    static bool isInShareMountedFrom(const MivFileDataPtr& folder, const QString& volumeKey);
    // Hangs a place shown under the network segment below the network root.
    static void assignNetworkRootFor(const MivDriveButtonBar* bar, const MivFileDataPtr& data);
    void populate(const TabItemPtr& tab, const MivFileDataPtr& data, bool selectWhenListed);
    void postOperation(const char* name, const TabItemPtr& tab) const;
    void queueOnLoadQueue(std::function<void()> work);

    QString m_ident;
    std::weak_ptr<MivContextEntry> m_entry;
    // The entry holds this weakly, so it clears itself when the side goes.
    std::shared_ptr<IMivContextEntryController> m_entryController;
    std::shared_ptr<plat::SerialQueue> m_loadQueue;
    // Guards continuations queued on the load queue against a side that is gone.
    std::shared_ptr<bool> m_alive;
    bool m_reloadOnSegmentSelection = true;
    // The selected tab's location, resolved before the side was loaded.
    struct StartupListing
    {
        TabItemPtr tab;
        std::shared_ptr<MivFileDataDescriptor> descriptor;
    };
    StartupListing m_startupListing;
    bool m_driveButtonRemoving = false;
    bool m_awake = false;
    QList<QPair<int, QVariantMap>> m_notLoadedStateEntries;
    QList<TabItemPtr> m_tabs;
    std::vector<plat::NotificationToken> m_observers;

    QButtonGroup* m_controlBar = nullptr;
    MivTabBarView* m_tabBar = nullptr;
    QWidget* m_driveToolbar = nullptr;
    MivDriveButtonBar* m_driveSegments = nullptr;
    MivTabView* m_tabView = nullptr;
};
