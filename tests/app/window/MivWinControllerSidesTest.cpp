#include "support/WaitUntil.h"

#include "app/tabs/TabsTestSupport.h"

#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivSimpleFileData.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"
#include "app/controls/MivCollapsibleSplitView.h"
#include "app/files-table/MivFilesTableView.h"
#include "app/operations/MivFileManager.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/MivContext.h"
#include "app/settings/MivContextEntry.h"
#include "app/tabs/MivFileTabViewItem.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/window/MivMainWindow.h"
#include "app/window/MivWinController.h"
#include "app/window/MivWindowControlKeys.h"
#include "platform/NotificationCenter.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

namespace {

QString shownPath(MivFilesTabViewController* side)
{
    MivFilesViewController* panel = side->activePanel();
    const MivFileDataPtr shown = panel ? panel->context() : nullptr;
    return shown ? shown->pathKey() : QString();
}

// The main window with its real sides, each listing a folder of a
// temporary tree:  A/inner (left), B with a hidden file (right), C.
class WindowWithSidesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivFileManager::sharedInstance().setWatchLatency(3600);
        MivCollapsibleSplitView::setAnimationsEnabled(false);
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"A/inner", "B", "C"})
            ASSERT_TRUE(QDir().mkpath(path(QString::fromLatin1(name))));
        QFile hidden(path(QStringLiteral("B/.secret")));
        ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));

        controller = std::make_unique<MivWinController>();
        controller->window()->resize(1400, 700);
        controller->showWindow();
        ASSERT_TRUE(mivtest::waitUntil([&] { return controller->window()->isActiveWindow(); }));
        auto context = MivContext::context();
        ASSERT_TRUE(mivtest::waitUntil([&] { return context->left()->loaded() && context->right()->loaded(); }));
        show(left(), QStringLiteral("A/inner"));
        show(right(), QStringLiteral("B"));
    }
    void TearDown() override
    {
        controller.reset();
        MivCollapsibleSplitView::setAnimationsEnabled(true);
        MivErrorPresenter::setPresentationHandler({});
        MivContext::resetForTesting();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    static MivFileDataPtr item(const QString& at) { return MivOsxFileData::createWithPath<MivOsxFileData>(at); }
    MivFilesTabViewController* left() const { return controller->leftController(); }
    MivFilesTabViewController* right() const { return controller->rightController(); }
    MivFilesTableView* table(MivFilesTabViewController* side) const { return side->activePanel()->filesTable(); }

    void show(MivFilesTabViewController* side, const QString& name)
    {
        // A panel refuses another folder while it lists: the side's first
        // listing ends first.
        ASSERT_TRUE(mivtest::waitUntil([&] { return side->activePanel()->context() != nullptr; }));
        ASSERT_TRUE(listingEnded(side->activePanel()));
        side->changeFilesPanelForData(item(path(name)), QString(), std::nullopt);
        ASSERT_TRUE(listed(side, name));
    }
    // A request for the folder shown completes only after a running listing.
    static bool listingEnded(MivFilesViewController* panel)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        panel->populateTableData(panel->context(), false, {}, false,
                                 [done](const auto&, bool, const plat::Error&) { done->store(true); });
        return mivtest::waitUntil([&] { return done->load(); });
    }
    // The side's panel shows the folder and has finished listing it.
    bool listed(MivFilesTabViewController* side, const QString& name)
    {
        if (!mivtest::waitUntil([&] { return shownPath(side) == path(name); }))
            return false;
        MivFilesViewController* panel = side->activePanel();
        auto done = std::make_shared<std::atomic<bool>>(false);
        panel->populateTableData(panel->context(), false, {}, false,
                                 [done](const auto&, bool, const plat::Error&) { done->store(true); });
        if (!mivtest::waitUntil([&] { return done->load(); }))
            return false;
        bool turned = false;
        QTimer::singleShot(0, [&] { turned = true; });
        return mivtest::waitUntil([&] { return turned; }) && shownPath(side) == path(name);
    }
    void focus(MivFilesTabViewController* side)
    {
        table(side)->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(mivtest::waitUntil([&] {
            return QApplication::focusWidget() == table(side) && controller->activePanel() == side->activePanel();
        }));
    }
    static bool lists(MivFilesViewController* panel, const QString& name)
    {
        const QList<MivFileDataPtr> files = panel->files();
        return std::any_of(files.begin(), files.end(), [&](const MivFileDataPtr& f) { return f->name() == name; });
    }
    std::shared_ptr<MivNetworkFileData> addPlace(const QString& address)
    {
        auto service = std::make_shared<MivServiceData>();
        service->setPath(address);
        auto place = service->createNetworkFileData();
        place->updateName(address);
        MivNetworkRootData::sharedInstance()->addNetworkFile(place);
        m_places.push_back(place);
        return place;
    }
    void post(const char* name, const MivFileDataPtr& data, const char* key = "item")
    {
        plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(name), data.get(),
                                                       {{QString::fromLatin1(key), QVariant::fromValue(data)}});
    }

    tabstest::TabsEnvironment m_environment;
    QTemporaryDir m_dir;
    std::vector<std::shared_ptr<MivNetworkFileData>> m_places;
    std::unique_ptr<MivWinController> controller;

public:
    ~WindowWithSidesTest() override
    {
        for (const auto& place : m_places)
            MivNetworkRootData::sharedInstance()->removeNetworkFile(place);
    }
};

TEST_F(WindowWithSidesTest, PanelKeysMoveUpSwitchPanelsAndShowHiddenFiles)
{
    focus(left());
    // The folder-up key takes the active panel one folder up, and only it.
    QTest::keyClick(table(left()), Qt::Key_Backspace);
    ASSERT_TRUE(listed(left(), QStringLiteral("A")));
    EXPECT_EQ(shownPath(right()), path(QStringLiteral("B")));
    EXPECT_FALSE(left()->checkControlbarOptionSelected(MivFilesTabViewController::kControlUp));

    // Tab gives the focus to the other panel, which becomes the active one.
    QTest::keyClick(table(left()), Qt::Key_Tab);
    ASSERT_TRUE(mivtest::waitUntil([&] { return QApplication::focusWidget() == table(right()); }));
    EXPECT_EQ(controller->activePanel(), right()->activePanel());
    EXPECT_EQ(controller->opositePanel(), left()->activePanel());

    // The hidden-files key lists B's hidden file on the active side only,
    // and the toolbar's control follows; pressed again it is gone.
    QAction* hiddenControl = controller->toolbarControl(QStringLiteral("hiddenControl"));
    ASSERT_FALSE(lists(right()->activePanel(), QStringLiteral(".secret")));
    QTest::keyClick(table(right()), Qt::Key_Period, Qt::MetaModifier);
    ASSERT_TRUE(mivtest::waitUntil([&] { return lists(right()->activePanel(), QStringLiteral(".secret")); }));
    EXPECT_TRUE(MivContext::context()->right()->showHidden());
    EXPECT_FALSE(MivContext::context()->left()->showHidden());
    EXPECT_TRUE(hiddenControl->isChecked());
    QTest::keyClick(table(right()), Qt::Key_Period, Qt::MetaModifier);
    ASSERT_TRUE(mivtest::waitUntil([&] { return !lists(right()->activePanel(), QStringLiteral(".secret")); }));
    EXPECT_FALSE(hiddenControl->isChecked());

    // Activating the left panel again shows its side's setting.
    QTest::keyClick(table(right()), Qt::Key_Tab);
    ASSERT_TRUE(mivtest::waitUntil([&] { return controller->activePanel() == left()->activePanel(); }));
    EXPECT_FALSE(hiddenControl->isChecked());
}

TEST_F(WindowWithSidesTest, AFolderToOpenGoesToTheActiveSide)
{
    focus(right());
    std::vector<plat::Error> presented;
    MivErrorPresenter::setPresentationHandler([&](const plat::Error& error) { presented.push_back(error); });

    // Posted from a worker, as the menus and the sidebar may.
    const MivFileDataPtr folder = item(path(QStringLiteral("C")));
    std::thread([&] { post(ksFilesTableContextNeedChange, folder); }).join();
    ASSERT_TRUE(listed(right(), QStringLiteral("C")));
    EXPECT_EQ(shownPath(left()), path(QStringLiteral("A/inner")));
    ASSERT_TRUE(mivtest::waitUntil([&] { return QApplication::focusWidget() == table(right()); }));
    EXPECT_TRUE(presented.empty());

    // A place that cannot be opened as a folder is refused and nothing changes.
    auto place = addPlace(QStringLiteral("smb://server/hidden"));
    place->setHidden(true);
    post(ksFilesTableContextNeedChange, place);
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented.front().code(), -12);
    EXPECT_EQ(presented.front().localizedDescription(), QStringLiteral("Selected path cannot be processed."));
    EXPECT_EQ(shownPath(right()), path(QStringLiteral("C")));
}

TEST_F(WindowWithSidesTest, AConnectedPlaceGetsATabAndARowInTheNetworkRoot)
{
    focus(left());
    const int tabs = left()->numberOfTabs();
    auto service = std::make_shared<MivServiceData>();
    service->setPath(QStringLiteral("sftp://host/"));
    auto connected = service->createNetworkFileData();
    connected->updateName(QStringLiteral("host"));
    connected->setParent(MivNetworkRootData::sharedInstance());
    post(ksRemoteFileAddedNotification, connected);

    ASSERT_EQ(left()->numberOfTabs(), tabs + 1);
    EXPECT_TRUE(mivtest::waitUntil([&] { return left()->tabs().first()->panel()->context() == connected; }));
    EXPECT_EQ(right()->numberOfTabs(), 1);
    // The root lists a copy for the same service that never asks for credentials.
    std::shared_ptr<MivNetworkFileData> listed;
    for (const auto& place : MivNetworkRootData::sharedInstance()->networkFiles()) {
        if (place->serviceData() == service)
            listed = place;
    }
    ASSERT_NE(listed, nullptr);
    m_places.push_back(listed);
    EXPECT_NE(listed, connected);
    EXPECT_FALSE(listed->interactive());
    EXPECT_TRUE(connected->interactive());
    EXPECT_EQ(listed->parent(), std::static_pointer_cast<MivFileData>(MivNetworkRootData::sharedInstance()));

    // Anything but a place changes nothing.
    post(ksRemoteFileAddedNotification, item(path(QStringLiteral("C"))));
    EXPECT_EQ(left()->numberOfTabs(), tabs + 1);
}

TEST_F(WindowWithSidesTest, APlaceOpenedFromTheNetworkBrowserHangsUnderTheNetworkRootOfTheActiveSide)
{
    focus(right());
    const MivFileDataPtr leftShown = left()->activePanel()->context();
    auto place = addPlace(QStringLiteral("smb://server/browsed"));
    place->setParent(nullptr);
    const MivFileDataPtr networkRoot = MivNetworkRootData::sharedInstance();

    std::thread([&] { post(ksFilesTableChangeContextForNetworkFileNotification, place); }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return right()->activePanel()->context() == networkRoot; }));
    EXPECT_EQ(place->parent(), networkRoot);
    EXPECT_EQ(right()->numberOfTabs(), 1);
    EXPECT_EQ(left()->activePanel()->context(), leftShown) << "only the active side follows";
}

TEST_F(WindowWithSidesTest, StatusBarShowsTheActivePanelsFocusedItem)
{
    focus(left());
    MivFilesViewController* panel = left()->activePanel();
    const MivFileDataPtr current = panel->selectedFile();
    ASSERT_NE(current, nullptr);
    QLabel* contextPath = controller->contextPath();
    contextPath->clear();
    post(ksFilesTableSelectionChanged, current, "context");
    EXPECT_EQ(contextPath->text(), current->displayInfo());

    // Late news of another item, or of the other panel's item, is ignored.
    contextPath->setText(QStringLiteral("unchanged"));
    post(ksFilesTableSelectionChanged, item(path(QStringLiteral("C"))), "context");
    post(ksFilesTableSelectionChanged, right()->activePanel()->selectedFile(), "context");
    EXPECT_EQ(contextPath->text(), QStringLiteral("unchanged"));
}

TEST_F(WindowWithSidesTest, ARemovedPlaceClosesTheTabsBelowItOnBothSidesButNoLastTab)
{
    auto place = addPlace(QStringLiteral("smb://server/share"));
    auto below = MivFileData::makeItem<MivSimpleFileData>();
    below->updateName(QStringLiteral("smb://server/share/docs"));
    below->setParent(place);
    auto other = addPlace(QStringLiteral("smb://server/other"));

    // Left: a local tab, the place, a folder below it and another place.
    // A place's tab hangs the place under the network root; a folder below
    // it is shown as browsing into the place shows it, without that key.
    for (const MivFileDataPtr& shown : {MivFileDataPtr(place), MivFileDataPtr(other)})
        ASSERT_NE(left()->showFilesPanelForData(shown, QString::fromLatin1(ksMivNetworkDataName), -1), nullptr);
    ASSERT_NE(left()->showFilesPanelForData(below, QString(), 2), nullptr);
    // Right: the place in its only tab.
    right()->changeFilesPanelForData(place, QString(), std::nullopt);
    ASSERT_TRUE(mivtest::waitUntil([&] { return right()->activePanel()->context() == place; }));
    ASSERT_TRUE(mivtest::waitUntil([&] { return left()->numberOfTabs() == 4; }));

    // The root removes the place on a worker; the windows act on the GUI thread.
    std::thread([&] { MivNetworkRootData::sharedInstance()->removeNetworkFile(place); }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return left()->numberOfTabs() == 2; }));
    QStringList leftShown;
    for (const auto& tab : left()->tabs())
        leftShown << (tab->panel()->context() ? tab->panel()->context()->pathKey() : QString());
    EXPECT_EQ(leftShown, (QStringList{path(QStringLiteral("A/inner")), other->pathKey()}));
    EXPECT_EQ(right()->numberOfTabs(), 1);
}

TEST_F(WindowWithSidesTest, NameColumnsTakeAWidthChangeOfTheWindow)
{
    focus(left());
    const auto nameWidth = [this](MivFilesTabViewController* side) {
        MivFilesTableView* view = table(side);
        return view->horizontalHeader()->sectionSize(view->columnForIdentifier(QStringLiteral("kol_name")));
    };
    for (bool synchronised : {false, true}) {
        SCOPED_TRACE(synchronised);
        MivContext::context()->setSynchPanelTablesSettings(synchronised);
        const int leftBefore = nameWidth(left());
        const int rightBefore = nameWidth(right());
        const int splitBefore = controller->filesSplit()->width();
        controller->window()->resize(controller->window()->width() + 200, controller->window()->height());
        ASSERT_TRUE(mivtest::waitUntil([&] { return controller->filesSplit()->width() > splitBefore; }));
        const int grown = controller->filesSplit()->width() - splitBefore;
        // Side by side each table takes its side's share; kept in step, the
        // window resizes only the active table and the opposite one takes
        // the active one's columns through the side's column fan-out.
        EXPECT_GT(nameWidth(left()), leftBefore);
        if (synchronised) {
            EXPECT_TRUE(mivtest::waitUntil([&] { return nameWidth(right()) == nameWidth(left()); }))
                << nameWidth(right()) << " " << nameWidth(left());
        } else {
            EXPECT_GT(nameWidth(right()), rightBefore);
            EXPECT_NEAR(nameWidth(left()) - leftBefore + nameWidth(right()) - rightBefore, grown, 3);
        }
    }
}

} // namespace
