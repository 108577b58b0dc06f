#include "TabsTestSupport.h"

#include "app/operations/MivFileManager.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivContextEntry.h"
#include "app/tabs/MivDriveButtonBar.h"
#include "app/tabs/MivFileTabViewItem.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/tabs/MivTabBarView.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivFileData.h"
#include "FileData/IMivRootFile.h"
#include "FileData/NetFileData/MivMountDataFile.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "support/WaitUntil.h"

#include <QHeaderView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <memory>

namespace {

using TabItemPtr = MivFilesTabViewController::TabItemPtr;

QString shownPath(const TabItemPtr& tab)
{
    const MivFileDataPtr shown = tab && tab->panel() ? tab->panel()->context() : nullptr;
    return shown ? shown->pathKey() : QString();
}

class SideTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivFileManager::sharedInstance().setWatchLatency(3600);
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"A", "B", "C", "A/inner"})
            ASSERT_TRUE(QDir().mkpath(path(QString::fromLatin1(name))));
        m_entry = std::make_shared<MivContextEntry>();
    }
    void TearDown() override
    {
        delete m_side;
        MivContext::resetForTesting();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QVariantMap saved(const QString& name, const QString& context = QStringLiteral("/")) const
    {
        return {{QStringLiteral("path"), path(name)}, {QStringLiteral("context"), context}};
    }
    static MivFileDataPtr item(const QString& at) { return MivOsxFileData::createWithPath<MivOsxFileData>(at); }

    // A side restored from the entry, as the main window makes it.
    void start(const std::function<void(MivFilesTabViewController*)>& beforeAwake = {})
    {
        m_side = new MivFilesTabViewController;
        m_side->setIdentifier(QStringLiteral("left"));
        m_side->setEntry(m_entry);
        m_side->resize(600, 400);
        if (beforeAwake)
            beforeAwake(m_side);
        m_side->awakeFromNib();
    }
    void startAndLoad()
    {
        start();
        ASSERT_TRUE(mivtest::waitUntil([&] { return m_entry->loaded(); }));
    }
    // A side with tabs on A, B and C, each selected once and listed.
    void startWithThreeListedTabs()
    {
        m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B")), saved(QStringLiteral("C"))});
        ASSERT_NO_FATAL_FAILURE(startAndLoad());
        const QList<TabItemPtr> tabs = m_side->tabs();
        for (int i = 0; i < tabs.size(); ++i) {
            m_side->selectTab(tabs.at(i));
            ASSERT_TRUE(listedIn(tabs.at(i), QString(QChar(u'A' + i))));
        }
        drainLoadQueue();
    }
    // Everything queued on the load queue so far has run and its continuation is on the GUI thread.
    void drainLoadQueue()
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        m_side->loadQueue()->async([done] { done->store(true); });
        ASSERT_TRUE(mivtest::waitUntil([&] { return done->load(); }));
        bool turned = false;
        QTimer::singleShot(0, [&] { turned = true; });
        ASSERT_TRUE(mivtest::waitUntil([&] { return turned; }));
    }
    // The tab's panel shows the folder and its rows: a panel that only took
    // the folder (its side not loaded yet) has none, not even "..".
    bool listedIn(const TabItemPtr& tab, const QString& name)
    {
        return mivtest::waitUntil([&] {
            return shownPath(tab) == path(name) && tab->panel()->dataObjectsCount() > 0;
        });
    }

    tabstest::TabsEnvironment m_environment;
    QTemporaryDir m_dir;
    std::shared_ptr<MivContextEntry> m_entry;
    MivFilesTabViewController* m_side = nullptr;
};

TEST_F(SideTest, WithoutSavedTabsOneTabShowsTheHomeFolder)
{
    startAndLoad();
    ASSERT_EQ(m_side->numberOfTabs(), 1);
    EXPECT_TRUE(mivtest::waitUntil([&] {
        return shownPath(m_side->selectedTabViewItem()) == plat::PathString::homeDirectory();
    }));
    EXPECT_EQ(m_side->driveSegments()->selectedSegment(), 0);
}

TEST_F(SideTest, SavedTabsRestoreAndOnlyTheSelectedOneLists)
{
    struct Case
    {
        const char* name;
        qint64 selected;
        QString selectedTab; // folder of the tab selected and listed at start
    };
    // The first saved tab names a volume that is not mounted: no tab.
    const Case cases[] = {
        {"selected position counts the failed dictionary", 1, QStringLiteral("B")},
        {"selected position of the failed dictionary", 0, QStringLiteral("B")},
        {"selected position past the list", 7, QStringLiteral("B")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_entry = std::make_shared<MivContextEntry>();
        m_entry->setItems({saved(QStringLiteral("A"), QStringLiteral("/not/mounted")), saved(QStringLiteral("B")),
                           saved(QStringLiteral("C"))});
        m_entry->setSelectedItem(c.selected);
        delete m_side;
        startAndLoad();
        ASSERT_EQ(m_side->numberOfTabs(), 2);
        ASSERT_EQ(m_side->notLoadedStateEntries().size(), 1);
        EXPECT_EQ(m_side->notLoadedStateEntries().first().first, 0);
        const TabItemPtr selected = m_side->selectedTabViewItem();
        EXPECT_TRUE(listedIn(selected, c.selectedTab));
        // The other tab has its title from its saved location, and lists nothing until selected.
        const TabItemPtr other = m_side->tabs().at(1);
        drainLoadQueue();
        EXPECT_EQ(other->baseLabel(), QStringLiteral("C"));
        EXPECT_EQ(shownPath(other), QString());
        EXPECT_FALSE(other->stateLoaded());
        m_side->selectTab(other);
        EXPECT_TRUE(listedIn(other, QStringLiteral("C")));
        EXPECT_TRUE(other->stateLoaded());
    }
}

TEST_F(SideTest, SavedTabsThatAllFailGiveTheHomeTab)
{
    m_entry->setItems({saved(QStringLiteral("A"), QStringLiteral("/not/mounted"))});
    startAndLoad();
    ASSERT_EQ(m_side->numberOfTabs(), 1);
    EXPECT_TRUE(mivtest::waitUntil([&] {
        return shownPath(m_side->selectedTabViewItem()) == plat::PathString::homeDirectory();
    }));
}

TEST_F(SideTest, LockStatesFollowTheTabMenu)
{
    m_entry->setItems({saved(QStringLiteral("A"))});
    startAndLoad();
    const TabItemPtr tab = m_side->selectedTabViewItem();
    ASSERT_TRUE(listedIn(tab, QStringLiteral("A")));
    struct Step
    {
        bool soft; // the request: "Locked, but dir changes allowed", else "Lock this tab"
        bool locked;
        bool softLocked;
        const char* label;
    };
    const Step steps[] = {
        {false, true, false, "*A"},   // unlocked -> hard
        {false, false, false, "A"},   // hard -> unlocked
        {true, true, true, "[*]A"},   // unlocked -> soft
        {false, true, false, "*A"},   // soft -> hard, same lock folder
        {true, true, true, "[*]A"},   // hard -> soft
        {true, false, false, "A"},    // soft -> unlocked
    };
    for (const Step& step : steps) {
        m_side->processLock(step.soft, tab);
        EXPECT_EQ(tab->locked(), step.locked) << step.label;
        EXPECT_EQ(tab->softLocked(), step.softLocked) << step.label;
        EXPECT_EQ(tab->label(), QString::fromLatin1(step.label));
        EXPECT_EQ(m_side->tabBar()->tabText(0), QString::fromLatin1(step.label));
        EXPECT_EQ(tab->lockContext(), step.locked ? item(path(QStringLiteral("A")))->savingKey() : QString());
        EXPECT_EQ(tab->lockContextDataIfAny().has_value(), step.locked);
        if (tab->lockContextDataIfAny())
            EXPECT_FALSE(tab->lockContextDataIfAny()->contains(QStringLiteral("locked")));
    }
}

TEST_F(SideTest, HardLockedTabDivertsFolderChangesToANewTab)
{
    m_entry->setItems({saved(QStringLiteral("A"))});
    startAndLoad();
    const TabItemPtr locked = m_side->selectedTabViewItem();
    ASSERT_TRUE(listedIn(locked, QStringLiteral("A")));
    m_side->processLock(false, locked);
    m_side->changeFilesPanelForData(item(path(QStringLiteral("A/inner"))), QString(), std::nullopt);
    ASSERT_EQ(m_side->numberOfTabs(), 2);
    const TabItemPtr diverted = m_side->tabs().at(0); // the default placement is the first position
    EXPECT_NE(diverted, locked);
    EXPECT_TRUE(listedIn(diverted, QStringLiteral("A/inner")));
    EXPECT_TRUE(mivtest::waitUntil([&] { return m_side->selectedTabViewItem() == diverted; }));
    EXPECT_EQ(shownPath(locked), path(QStringLiteral("A")));
    EXPECT_EQ(locked->label(), QStringLiteral("*A"));
}

TEST_F(SideTest, SoftLockedTabReturnsToItsFolderWhenSelected)
{
    m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B"))});
    startAndLoad();
    const TabItemPtr soft = m_side->tabs().at(0);
    const TabItemPtr other = m_side->tabs().at(1);
    ASSERT_TRUE(listedIn(soft, QStringLiteral("A")));
    m_side->processLock(true, soft);
    m_side->changeFilesPanelForData(item(path(QStringLiteral("C"))), QString(), std::nullopt);
    ASSERT_EQ(m_side->numberOfTabs(), 2) << "a soft lock changes folders in the tab";
    ASSERT_TRUE(listedIn(soft, QStringLiteral("C")));
    m_side->selectTab(other);
    ASSERT_TRUE(listedIn(other, QStringLiteral("B")));
    m_side->selectTab(soft);
    EXPECT_TRUE(listedIn(soft, QStringLiteral("A")));
}

TEST_F(SideTest, CloneOfALockedTabIsUnlockedOnTheSameFolder)
{
    m_entry->setItems({saved(QStringLiteral("A"))});
    startAndLoad();
    const TabItemPtr tab = m_side->selectedTabViewItem();
    ASSERT_TRUE(listedIn(tab, QStringLiteral("A")));
    m_side->processLock(false, tab);
    const TabItemPtr clone = m_side->insertNewTabAsCopyOf(tab);
    ASSERT_TRUE(clone);
    EXPECT_TRUE(listedIn(clone, QStringLiteral("A")));
    EXPECT_TRUE(mivtest::waitUntil([&] { return !clone->locked(); }));
    EXPECT_TRUE(clone->lockContext().isEmpty());
    EXPECT_TRUE(tab->locked());
}

TEST_F(SideTest, SaveStateRoundTripsThroughTheArchive)
{
    m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B")), saved(QStringLiteral("C"))});
    m_entry->setSelectedItem(1);
    startAndLoad();
    const TabItemPtr first = m_side->tabs().at(0);
    ASSERT_TRUE(listedIn(m_side->tabs().at(1), QStringLiteral("B")));
    drainLoadQueue();
    // Locking a tab that was never shown keeps its saved location, with the lock keys.
    m_side->setLockedForItem(first, true, true, QStringLiteral("/elsewhere"), QVariantMap{{QStringLiteral("path"), QStringLiteral("/elsewhere")}});
    m_side->showHideDriveBar(true);
    m_side->saveState();

    const auto restored = MivContextEntry::initWithCoder(m_entry->encodeWithCoder());
    ASSERT_TRUE(restored);
    ASSERT_EQ(restored->items().size(), 3);
    EXPECT_EQ(restored->selectedItem(), 1);
    EXPECT_TRUE(restored->driveMode());
    const QVariantMap a = restored->items().at(0);
    EXPECT_EQ(a.value(QStringLiteral("path")).toString(), path(QStringLiteral("A")));
    EXPECT_TRUE(a.value(QStringLiteral("locked")).toBool());
    EXPECT_TRUE(a.value(QStringLiteral("softLocked")).toBool());
    EXPECT_EQ(a.value(QStringLiteral("lockContext")).toString(), QStringLiteral("/elsewhere"));
    EXPECT_EQ(restored->items().at(1).value(QStringLiteral("path")).toString(), path(QStringLiteral("B")));
    EXPECT_EQ(restored->items().at(2).value(QStringLiteral("context")).toString(), QStringLiteral("/"));

    // A restart gives the same tabs, with the lock.
    delete m_side;
    m_side = nullptr;
    m_entry = restored;
    startAndLoad();
    ASSERT_EQ(m_side->numberOfTabs(), 3);
    EXPECT_EQ(m_side->selectedTabViewItem(), m_side->tabs().at(1));
    EXPECT_EQ(m_side->tabs().at(0)->label(), QStringLiteral("[*]") + m_side->tabs().at(0)->baseLabel());
    EXPECT_TRUE(m_side->isDriveBarHidden());
}

TEST_F(SideTest, FolderChangeOntoAnotherVolumeMovesTheSegmentWithoutReloading)
{
    m_entry->setItems({saved(QStringLiteral("A"))});
    startAndLoad();
    const TabItemPtr tab = m_side->selectedTabViewItem();
    ASSERT_TRUE(listedIn(tab, QStringLiteral("A")));
    MivDriveButtonBar* bar = m_side->driveSegments();
    EXPECT_EQ(bar->selectedSegment(), bar->buttonForKey(QStringLiteral("/")));
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesTableContextChanged), tab->panel().get(),
                                                   {{QStringLiteral("context"), QVariant::fromValue(item(QStringLiteral("/home/ann/x")))}});
    ASSERT_TRUE(mivtest::waitUntil([&] { return tab->context() == QStringLiteral("/home"); }));
    EXPECT_EQ(bar->selectedSegment(), bar->buttonForKey(QStringLiteral("/home")));
    EXPECT_EQ(tab->baseLabel(), QStringLiteral("x"));
    drainLoadQueue();
    EXPECT_EQ(shownPath(tab), path(QStringLiteral("A")));

    // A panel of another side changes no tab here.
    auto stranger = MivFilesViewController::create();
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesTableContextChanged), stranger.get(),
                                                   {{QStringLiteral("context"), QVariant::fromValue(item(QStringLiteral("/usr")))}});
    drainLoadQueue();
    EXPECT_EQ(tab->context(), QStringLiteral("/home"));
}

TEST_F(SideTest, RemovedVolumeClosesItsTabsExceptALastOne)
{
    const QString stick = QStringLiteral("/media/%1/KINGSTON").arg(systemtest::RecordedSystem::userName());
    m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B")), saved(QStringLiteral("C"))});
    startAndLoad();
    ASSERT_EQ(m_side->numberOfTabs(), 3);
    drainLoadQueue();
    // The fixture's folders are not on the stick: the tabs are put there.
    m_side->tabs().at(1)->setContext(stick);
    m_side->tabs().at(2)->setContext(stick);
    MivDriveButtonBar* bar = m_side->driveSegments();
    const MivFileDataPtr volume = bar->fileDataContextAtIndex(bar->buttonForKey(stick));
    ASSERT_TRUE(volume);
    plat::NotificationCenter::defaultCenter().post(QStringLiteral("DriveButtonRemoved"), bar,
                                                   {{QStringLiteral("context"), QVariant::fromValue(volume)}});
    ASSERT_TRUE(mivtest::waitUntil([&] { return m_side->numberOfTabs() == 1; }));
    EXPECT_EQ(m_side->tabs().at(0)->context(), QStringLiteral("/"));

    // The side's only tab stays, also on the removed volume.
    m_side->tabs().at(0)->setContext(stick);
    plat::NotificationCenter::defaultCenter().post(QStringLiteral("DriveButtonRemoved"), bar,
                                                   {{QStringLiteral("context"), QVariant::fromValue(volume)}});
    drainLoadQueue();
    EXPECT_EQ(m_side->numberOfTabs(), 1);
}

TEST_F(SideTest, ALocationThatWaitsKeepsTheGuiThreadTurning)
{
    m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B"))});
    m_entry->setSelectedItem(1);
    // Holds the load queue as a dead server would while a location resolves;
    // in place before the side starts, so no resolution can finish first.
    std::promise<void> latch;
    auto released = latch.get_future().share();
    start([released](MivFilesTabViewController* side) { side->loadQueue()->async([released] { released.wait(); }); });
    // The side was built and awakeFromNib returned; the GUI thread turns.
    bool turned = false;
    QTimer::singleShot(0, [&] { turned = true; });
    ASSERT_TRUE(mivtest::waitUntil([&] { return turned; }));
    const TabItemPtr selected = m_side->selectedTabViewItem();
    ASSERT_EQ(selected, m_side->tabs().at(1));
    EXPECT_EQ(shownPath(selected), QString());
    // A selection made meanwhile wins: the earlier result for B is dropped.
    m_side->selectTab(m_side->tabs().at(0));
    latch.set_value();
    ASSERT_TRUE(mivtest::waitUntil([&] { return m_entry->loaded(); }));
    EXPECT_TRUE(listedIn(m_side->tabs().at(0), QStringLiteral("A")));
    drainLoadQueue();
    EXPECT_EQ(shownPath(m_side->tabs().at(1)), QString());
    EXPECT_EQ(m_side->selectedTabViewItem(), m_side->tabs().at(0));
}

TEST_F(SideTest, OnlyTabCannotBeClosedAndNewTabsFollowThePlacement)
{
    m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B")), saved(QStringLiteral("C"))});
    startAndLoad();
    auto context = MivContext::context();
    ASSERT_TRUE(context);
    struct Case
    {
        qint64 placement;
        int selected;
        int expected;
    };
    const Case cases[] = {{1, 1, 0}, {0, 1, 0}, {4, 2, 0}, {2, 0, -1}, {3, 1, 2}, {3, 2, -1}};
    for (const Case& c : cases) {
        context->setOpenTabPlacementOption(c.placement);
        m_side->selectTab(m_side->tabs().at(c.selected));
        EXPECT_EQ(m_side->openNewTabIndex(), c.expected) << c.placement << " " << c.selected;
    }
    EXPECT_TRUE(m_side->removeTabItem(m_side->tabs().at(0)));
    EXPECT_TRUE(m_side->removeTabItem(m_side->tabs().at(0)));
    EXPECT_FALSE(m_side->removeTabItem(m_side->tabs().at(0)));
    EXPECT_EQ(m_side->numberOfTabs(), 1);
}

TEST_F(SideTest, InsertNewTabClonesTheSelectedTabUpToSixTabs)
{
    m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B"))});
    m_entry->setSelectedItem(1);
    startAndLoad();
    MivContext::context()->setOpenTabPlacementOption(2);
    const TabItemPtr selected = m_side->selectedTabViewItem();
    ASSERT_TRUE(listedIn(selected, QStringLiteral("B")));
    m_side->processLock(false, selected);
    m_side->insertNewTab();
    ASSERT_EQ(m_side->numberOfTabs(), 3);
    const TabItemPtr added = m_side->tabs().at(2);
    EXPECT_TRUE(listedIn(added, QStringLiteral("B")));
    EXPECT_TRUE(mivtest::waitUntil([&] { return !added->locked(); }));

    // The command stops at six tabs; a clone from the tab menu still works.
    while (m_side->numberOfTabs() < 6)
        m_side->insertNewTab();
    m_side->insertNewTab();
    EXPECT_EQ(m_side->numberOfTabs(), 6);
    EXPECT_TRUE(m_side->insertNewTabAsCopyOf(selected));
    EXPECT_EQ(m_side->numberOfTabs(), 7);
    drainLoadQueue();
}

TEST_F(SideTest, TabsBelowARemovedNetworkPlaceClose)
{
    ASSERT_NO_FATAL_FAILURE(startWithThreeListedTabs());
    const QList<TabItemPtr> tabs = m_side->tabs();
    // A and B lie below the place, directly and one folder down; C does not.
    const auto place = MivFileData::makeItem<MivNetworkFileData>();
    const auto other = MivFileData::makeItem<MivNetworkFileData>();
    const MivFileDataPtr between = item(path(QStringLiteral("between")));
    between->setParent(place);
    tabs.at(0)->panel()->context()->setParent(place);
    tabs.at(1)->panel()->context()->setParent(between);

    struct Case
    {
        const void* removed;
        QList<TabItemPtr> left;
    };
    const Case cases[] = {
        {nullptr, tabs},
        {other.get(), tabs},
        // A folder between the tab and the place is not the place.
        {between.get(), tabs},
        {place.get(), {tabs.at(2)}},
    };
    for (const Case& c : cases) {
        m_side->closeTabsBelowPlace(c.removed);
        EXPECT_EQ(m_side->tabs(), c.left) << c.removed;
    }

    // The side's last tab stays, also below the removed place.
    tabs.at(2)->panel()->context()->setParent(other);
    m_side->closeTabsBelowPlace(other.get());
    EXPECT_EQ(m_side->tabs(), QList<TabItemPtr>{tabs.at(2)});
    tabs.at(2)->panel()->context()->setParent(nullptr);
}

// A network place reached through a share the program mounted: its root is the mount.
class MountedPlace : public MivNetworkFileData, public IMivRootFile
{
public:
    explicit MountedPlace(MivFileDataPtr mount) : m_mount(std::move(mount)) {}
    MivFileDataPtr rootFile() override { return m_mount; }

private:
    const MivFileDataPtr m_mount;
};

TEST_F(SideTest, RemovedVolumeClosesTheTabsInsideAShareMountedFromIt)
{
    const QString share = m_environment.system.gvfsFolder() + QLatin1Char('/') + systemtest::RecordedSystem::kGvfsShares.at(1);
    ASSERT_NO_FATAL_FAILURE(startWithThreeListedTabs());
    const QList<TabItemPtr> tabs = m_side->tabs();
    MivDriveButtonBar* bar = m_side->driveSegments();
    const MivFileDataPtr volume = bar->fileDataContextAtIndex(bar->buttonForKey(share));
    ASSERT_TRUE(volume) << share.toStdString();
    // A lies in a place mounted from the share's volume, B in one mounted elsewhere; C is local.
    const auto onShare = MivFileData::makeItem<MountedPlace>(std::make_shared<MivMountDataFile>(share, nullptr));
    const auto elsewhere =
        MivFileData::makeItem<MountedPlace>(std::make_shared<MivMountDataFile>(QStringLiteral("/mnt/other"), nullptr));
    tabs.at(0)->panel()->context()->setParent(onShare);
    tabs.at(1)->panel()->context()->setParent(elsewhere);

    plat::NotificationCenter::defaultCenter().post(QStringLiteral("DriveButtonRemoved"), bar,
                                                   {{QStringLiteral("context"), QVariant::fromValue(volume)}});
    ASSERT_TRUE(mivtest::waitUntil([&] { return m_side->numberOfTabs() == 2; }));
    EXPECT_EQ(m_side->tabs(), (QList<TabItemPtr>{tabs.at(1), tabs.at(2)}));
    tabs.at(1)->panel()->context()->setParent(nullptr);
}

// The order of the columns in a panel's list view, logical indexes by position.
QList<int> columnOrder(const TabItemPtr& tab)
{
    QList<int> order;
    const QHeaderView* header = tab->panel()->filesTable()->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual)
        order.append(header->logicalIndex(visual));
    return order;
}

TEST_F(SideTest, ColumnChangesReachTheOtherTabsAndWithSynchronisationTheOtherSide)
{
    auto rightEntry = std::make_shared<MivContextEntry>();
    for (const bool synchronised : {false, true}) {
        SCOPED_TRACE(synchronised);
        MivContext::context()->setSynchPanelTablesSettings(synchronised);
        m_entry->setLoaded(false);
        rightEntry->setLoaded(false);
        m_entry->setItems({saved(QStringLiteral("A")), saved(QStringLiteral("B"))});
        rightEntry->setItems({saved(QStringLiteral("C")), saved(QStringLiteral("B"))});
        startAndLoad();
        auto right = std::make_unique<MivFilesTabViewController>();
        right->setIdentifier(QStringLiteral("right"));
        right->setEntry(rightEntry);
        right->awakeFromNib();
        ASSERT_TRUE(mivtest::waitUntil([&] { return rightEntry->loaded(); }));
        drainLoadQueue();

        const TabItemPtr changed = m_side->selectedTabViewItem();
        const QList<int> before = columnOrder(changed);
        ASSERT_GE(before.size(), 3);
        changed->panel()->filesTable()->horizontalHeader()->moveSection(0, 2);
        const QList<int> after = columnOrder(changed);
        ASSERT_NE(after, before);
        EXPECT_EQ(columnOrder(m_side->tabs().at(1)), after);
        for (const TabItemPtr& tab : right->tabs())
            EXPECT_EQ(columnOrder(tab), synchronised ? after : before);

        // A change on the right side: the left follows only when synchronised.
        const TabItemPtr rightChanged = right->selectedTabViewItem();
        rightChanged->panel()->filesTable()->horizontalHeader()->moveSection(1, 0);
        const QList<int> rightAfter = columnOrder(rightChanged);
        EXPECT_EQ(columnOrder(right->tabs().at(1)), rightAfter);
        EXPECT_EQ(columnOrder(m_side->tabs().at(1)), synchronised ? rightAfter : after);
        drainLoadQueue();
        right.reset();
        delete m_side;
        m_side = nullptr;
    }
}

TEST_F(SideTest, TabWidthsFollowTheTabSettings)
{
    startAndLoad();
    drainLoadQueue();
    const TabItemPtr tab = m_side->selectedTabViewItem();
    auto context = MivContext::context();
    const QString longTitle(80, QLatin1Char('w'));
    struct Case
    {
        bool fitTitles;
        int optimum;
        QString title;
        int expected;
    };
    const Case cases[] = {
        {false, 180, QStringLiteral("x"), 180},
        {false, 400, QStringLiteral("x"), MivTabBarView::kMaximumTabWidth},
        {false, 50, longTitle, MivTabBarView::kMinimumTabWidth},
        {true, 180, QStringLiteral("x"), MivTabBarView::kMinimumTabWidth},
        {true, 180, longTitle, MivTabBarView::kMaximumTabWidth},
    };
    for (const Case& c : cases) {
        tab->setLabel(c.title);
        context->setTabVariableSize(c.fitTitles);
        context->setTabConstantSize(c.optimum);
        EXPECT_EQ(m_side->tabBar()->tabRect(0).width(), c.expected) << c.fitTitles << " " << c.optimum;
    }
}

} // namespace
