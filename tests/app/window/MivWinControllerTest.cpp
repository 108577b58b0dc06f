#include "support/WaitUntil.h"

#include "FileData/IMivVolumeInfo.h"
#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/MivFileDataHelpers.h"
#include "app/controls/MivCollapsibleSplitView.h"
#include "app/controls/MivProgressIndicator.h"
#include "app/panel/MivFilesViewController.h"
#include "app/settings/MivContext.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/tools/MivToolDef.h"
#include "app/tools/MivToolbarButton.h"
#include "app/window/MivMainWindow.h"
#include "app/window/MivWinController.h"
#include "app/window/MivWindowControlKeys.h"
#include "platform/NotificationCenter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>

#include <gtest/gtest.h>

#include <thread>

namespace {

// A side with one panel and a focusable stand-in for its file table; the
// commands that later parts of the side carry out are recorded.
class StandInSide : public MivFilesTabViewController
{
    Q_OBJECT

public:
    StandInSide(QWidget* parent, QStringList* calls)
        : MivFilesTabViewController(parent), m_calls(calls), m_panel(MivFilesViewController::create())
    {
        table = new QLineEdit(this);
        setFocusProxy(table);
    }
    MivFilesViewController* activePanel() const override { return m_panel.get(); }
    // The window's own behaviour is under test: no tabs are restored.
    void awakeFromNib() override {}
    void saveState() override { record(QStringLiteral("saveState")); }
    void shutdown() override { record(QStringLiteral("shutdown")); }

    void showDriveMenu() override { record(QStringLiteral("driveMenu")); }
    void insertNewTab() override { record(QStringLiteral("insertNewTab")); }
    void showSearchPanel() override { record(QStringLiteral("showSearchPanel")); }
    void closeTabsBelowPlace(const void* place) override
    {
        record(QStringLiteral("close below %1").arg(quintptr(place)));
    }

    QLineEdit* table = nullptr;

private:
    void record(const QString& what)
    {
        if (m_calls)
            *m_calls << identifier() + QLatin1Char(' ') + what;
    }
    QStringList* m_calls;
    std::shared_ptr<MivFilesViewController> m_panel;
};

struct FakeVolume : IMivVolumeInfo
{
    FakeVolume(qint64 total, qint64 free, qint64 available) : total(total), free(free), available(available) {}
    qint64 fileSystemFreeSize() const override { return free; }
    qint64 fileSystemSize() const override { return total; }
    qint64 fileSystemAvailableSize() const override { return available; }
    qint64 total, free, available;
};

bool isCollapsedIn(MivWinController& controller, QWidget* side)
{
    return controller.filesSplit()->isSubviewCollapsed(side);
}

class WinControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivCollapsibleSplitView::setAnimationsEnabled(false);
        activations = plat::NotificationCenter::defaultCenter().observe(
            QString::fromLatin1(ksActiveFileComponentChangedNotification), nullptr,
            [this](const plat::Notification& n) { activated << n.object; });
        makeWindow();
    }
    void TearDown() override
    {
        controller.reset();
        MivCollapsibleSplitView::setAnimationsEnabled(true);
        MivWinController::setShortcutApplier({});
        MivContext::resetForTesting();
        MivFileDataHelpers::registerFileDataPropertiesProvider(nullptr);
    }

    void makeWindow()
    {
        controller.reset();
        controller = std::make_unique<MivWinController>([this](QWidget* parent) { return new StandInSide(parent, &calls); });
        controller->window()->resize(1800, 700);
        controller->showWindow();
        ASSERT_TRUE(mivtest::waitUntil([&] { return controller->window()->isActiveWindow(); }));
    }

    StandInSide* left() const { return static_cast<StandInSide*>(controller->leftController()); }
    StandInSide* right() const { return static_cast<StandInSide*>(controller->rightController()); }
    void focus(StandInSide* side)
    {
        side->table->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(mivtest::waitUntil([&] { return QApplication::focusWidget() == side->table; }));
    }
    void press(const char* key, QVariantMap extra = {})
    {
        extra.insert(QStringLiteral("key"), QString::fromLatin1(key));
        plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesTableControlKeyPressedNotification),
                                                       controller->activePanel(), extra);
    }

    QStringList calls;
    QList<const void*> activated;
    plat::NotificationToken activations;
    std::unique_ptr<MivWinController> controller;
};

TEST_F(WinControllerTest, ActivationFollowsTheFocusAndNamesTheOppositePanel)
{
    // Before any activation: no active panel, the right side answers.
    EXPECT_EQ(controller->activePanel(), nullptr);
    EXPECT_EQ(controller->opositePanel(), left()->activePanel());
    EXPECT_EQ(controller->activeTabPanel(), right());

    activated.clear();
    calls.clear();
    focus(left());
    EXPECT_EQ(controller->activePanel(), left()->activePanel());
    EXPECT_EQ(controller->opositePanel(), right()->activePanel());
    EXPECT_EQ(controller->activeTabPanel(), left());
    EXPECT_EQ(controller->opositeTabPanel(), right());

    focus(right());
    EXPECT_EQ(activated, (QList<const void*>{left()->activePanel(), right()->activePanel()}));
    EXPECT_EQ(controller->opositePanel(), left()->activePanel());
    EXPECT_EQ(controller->lastActiveTable(), right()->activePanel());

    // An activation of something that is no side's panel leaves none active
    // but keeps the last one answering.
    int stranger = 0;
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesComponentActivatedNotification), &stranger);
    EXPECT_EQ(activated.last(), nullptr);
    EXPECT_EQ(controller->activePanel(), right()->activePanel());

    // Posted from a worker, the activation is carried out on the GUI thread.
    const void* leftPanel = left()->activePanel();
    std::thread([leftPanel] {
        plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesComponentActivatedNotification), leftPanel);
    }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return controller->activePanel() == left()->activePanel(); }));
}

TEST_F(WinControllerTest, ControlKeysReachTheirTargets)
{
    focus(right());
    struct Case
    {
        const char* key;
        std::function<void()> setUp;
        QStringList expected;
    };
    auto context = MivContext::context();
    const Case cases[] = {
        {FilesTableControlKeyInsertTab, {}, {"right insertNewTab"}},
        {LeftFilesTableControlKey, {}, {"left driveMenu"}},
        {RightFilesTableControlKey, {}, {"right driveMenu"}},
        // A collapsed side's drive menu opens on the other side.
        {LeftFilesTableControlKey, [&] { context->setDualMode(0); context->setDualVertical(true); }, {"right driveMenu"}},
        {RightFilesTableControlKey, [&] { context->setDualMode(2); context->setDualVertical(true); }, {"left driveMenu"}},
        // Nothing can be deleted until the action state says so.
        {DeleteFilesTableControlKey, {}, {}},
        {"NoSuchKey", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        if (c.setUp) {
            c.setUp();
            focus(isCollapsedIn(*controller, left()) ? right() : left());
        }
        calls.clear();
        press(c.key);
        EXPECT_EQ(calls, c.expected);
        context->setDualMode(3);
        context->setDualVertical(true);
        focus(right());
    }
}

TEST_F(WinControllerTest, FocusFilterAndCommandLineKeys)
{
    focus(right());
    press(FilesTableControlKeyChangeFocus);
    ASSERT_TRUE(mivtest::waitUntil([&] { return controller->activePanel() == left()->activePanel(); }));

    press(FilterFilesTableControlKey);
    EXPECT_EQ(QApplication::focusWidget(), controller->searchField());
    // Without the toolbar's field the side's own filter panel opens.
    focus(left());
    controller->mainToolbar()->hide();
    calls.clear();
    press(FilterFilesTableControlKey);
    EXPECT_EQ(calls, (QStringList{"left showSearchPanel"}));

    press(CommandlineControlKeyShowHistory);
    EXPECT_EQ(QApplication::focusWidget(), controller->commandLineComboField());
    controller->commandLineComboField()->hidePopup();
    focus(left());
    MivContext::context()->setCommandLineVisible(false);
    press(CommandlineControlKeyShowHistory);
    EXPECT_EQ(QApplication::focusWidget(), left()->table);

    // Posted on a worker, a key is carried out on the GUI thread.
    calls.clear();
    std::thread([] {
        plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFilesTableControlKeyPressedNotification),
                                                       nullptr, {{QStringLiteral("key"), QString::fromLatin1(FilesTableControlKeyInsertTab)}});
    }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return !calls.isEmpty(); }));
    EXPECT_EQ(calls, (QStringList{"left insertNewTab"}));
}

TEST_F(WinControllerTest, FreeSpaceTextsFromVolumeRecords)
{
    const auto size = [](qint64 bytes) { return MivFileSizeFormatter::convertSize(bytes, 4); };
    const qint64 gib = qint64(1) << 30;
    struct Case
    {
        const char* what;
        std::optional<FakeVolume> volume;
        double level;
        QString text;
    };
    const Case cases[] = {
        {"available equals free", FakeVolume(100 * gib, 40 * gib, 40 * gib), 60.0,
         "Free: " + size(40 * gib) + " / " + size(100 * gib)},
        {"available above free", FakeVolume(100 * gib, 40 * gib, 50 * gib), 60.0,
         "Free: " + size(40 * gib) + " / " + size(100 * gib)},
        {"reserved blocks", FakeVolume(100 * gib, 40 * gib, 35 * gib), 60.0,
         "Free: " + size(40 * gib) + " (" + size(5 * gib) + ") / " + size(100 * gib)},
        {"empty volume record", FakeVolume(0, 0, 0), 0.0, "Free: " + size(0) + " / " + size(0)},
        {"no volume", std::nullopt, 0.0, "---"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto info = MivWinController::spaceInfoFor(c.volume ? &*c.volume : nullptr);
        EXPECT_DOUBLE_EQ(info.level, c.level);
        EXPECT_EQ(info.text, c.text);
    }
}

TEST_F(WinControllerTest, DualModeStepsCollapseTheSideThatLosesTheFocus)
{
    auto context = MivContext::context();
    ASSERT_EQ(context->dualMode(), 3);
    focus(right());
    struct Step
    {
        bool leftCollapsed;
        bool rightCollapsed;
        bool focusLeft;
    };
    // 3 → 0 → 1 → 2 → 3.
    const Step steps[] = {{true, false, false}, {false, false, false}, {false, true, true}, {false, false, true}};
    for (const Step& step : steps) {
        SCOPED_TRACE(context->dualMode());
        context->toggleDualMode();
        EXPECT_EQ(isCollapsedIn(*controller, left()), step.leftCollapsed);
        EXPECT_EQ(isCollapsedIn(*controller, right()), step.rightCollapsed);
        ASSERT_TRUE(mivtest::waitUntil([&] {
            return controller->activeTabPanel() == (step.focusLeft ? left() : right());
        }));
        EXPECT_FALSE(isCollapsedIn(*controller, controller->activeTabPanel()));
    }
}

TEST_F(WinControllerTest, TurningKeepsACollapsedSideCollapsedAndTheShare)
{
    auto context = MivContext::context();
    controller->filesSplit()->setDividerPosition(0.4);
    context->setDualMode(2);
    context->setDualVertical(true);
    ASSERT_TRUE(isCollapsedIn(*controller, right()));
    context->setDualVertical(false);
    EXPECT_EQ(controller->filesSplit()->orientation(), Qt::Vertical);
    EXPECT_TRUE(isCollapsedIn(*controller, right()));
    context->setDualMode(3);
    context->setDualVertical(false);
    EXPECT_FALSE(isCollapsedIn(*controller, right()));
    EXPECT_NEAR(controller->filesSplit()->dividerPosition(), 0.4, 0.02);
}

TEST_F(WinControllerTest, HiddenBarsGiveTheirHeightToThePanels)
{
    auto context = MivContext::context();
    QWidget* split = controller->mainSplitView();
    const int full = split->height();
    struct Step
    {
        std::function<void()> change;
        int grown;
    };
    const Step steps[] = {
        {[&] { context->setStatusBarVisible(false); }, MivWinController::kStatusBarHeight},
        {[&] { context->setStatusBarVisible(false); }, MivWinController::kStatusBarHeight},
        {[&] { context->setActionBarVisible(false); },
         MivWinController::kStatusBarHeight + MivWinController::kActionBarHeight},
        {[&] { context->setCommandLineVisible(false); },
         MivWinController::kStatusBarHeight + MivWinController::kActionBarHeight + MivWinController::kCommandLineHeight},
        {[&] { context->setStatusBarVisible(true); }, MivWinController::kActionBarHeight + MivWinController::kCommandLineHeight},
        {[&] { context->setStatusBarVisible(true); }, MivWinController::kActionBarHeight + MivWinController::kCommandLineHeight},
        {[&] { context->setActionBarVisible(true); context->setCommandLineVisible(true); }, 0},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        step.change();
        ASSERT_TRUE(mivtest::waitUntil([&] { return split->height() == full + step.grown; })) << split->height();
    }
    EXPECT_TRUE(controller->levelProgress()->isVisible());
}

TEST(WinControllerColumns, NameColumnsTakeTheWidthChange)
{
    struct Case
    {
        bool sideBySide;
        bool synchronised;
        double active;
        double oposite;
    };
    for (const Case& c : {Case{true, false, 75, 25}, Case{true, true, 75, 0}, Case{false, false, 100, 100},
                          Case{false, true, 100, 0}}) {
        SCOPED_TRACE(testing::Message() << c.sideBySide << c.synchronised);
        const auto [active, oposite] = MivWinController::nameColumnShares(100, 300, 100, c.sideBySide, c.synchronised);
        EXPECT_DOUBLE_EQ(active, c.active);
        EXPECT_DOUBLE_EQ(oposite, c.oposite);
    }
}

TEST_F(WinControllerTest, SavedStateComesBackInAFreshWindow)
{
    focus(right());
    controller->filesSplit()->setDividerPosition(0.3);
    controller->setCommandLineHistory({QStringLiteral("ls"), QStringLiteral("make")});
    calls.clear();
    controller->saveState();
    EXPECT_EQ(calls, (QStringList{"left saveState", "right saveState"}));
    EXPECT_EQ(MivContext::context()->dict().value(MivWinController::kActiveLeftSideKey).toLongLong(), 0);

    makeWindow();
    controller->started();
    EXPECT_EQ(controller->activeTabPanel(), right());
    EXPECT_EQ(controller->activePanel(), right()->activePanel());
    ASSERT_TRUE(mivtest::waitUntil([&] { return QApplication::focusWidget() == right()->table; }));
    EXPECT_NEAR(controller->filesSplit()->dividerPosition(), 0.3, 0.01);
    EXPECT_EQ(controller->commandLineHistory(), (QStringList{"ls", "make"}));
}

TEST_F(WinControllerTest, ShortcutsAreAppliedOnTheGuiThread)
{
    std::atomic<int> applied = 0;
    std::atomic<bool> onGui = false;
    QThread* gui = QThread::currentThread();
    MivWinController::setShortcutApplier([&](MivMainWindow* window) {
        onGui = QThread::currentThread() == gui && window == controller->window();
        ++applied;
    });
    std::thread([this] { controller->reloadShortcuts(); }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return applied.load() == 1; }));
    EXPECT_TRUE(onGui.load());
}

TEST_F(WinControllerTest, RemovedPlaceClosesItsTabsOnBothSides)
{
    int place = 0;
    calls.clear();
    std::thread([&place] {
        plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksRemoteFileRemovedNotification), &place);
    }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return calls.size() == 2; }));
    const QString address = QString::number(quintptr(&place));
    EXPECT_EQ(calls, (QStringList{"left close below " + address, "right close below " + address}));
}

TEST_F(WinControllerTest, ToolbarItemsForTools)
{
    QTemporaryDir dir;
    controller->addToolbarItemForDefinition(MivToolDef{QStringLiteral("grep"), QStringLiteral("/bin/grep"), {}});
    controller->addToolbarItemForDefinition(MivToolDef{QStringLiteral("grep"), QStringLiteral("/bin/other"), {}});
    controller->addToolbarItemForDefinition(
        MivToolDef{QStringLiteral("gone"), dir.filePath(QStringLiteral("none")), dir.filePath(QStringLiteral("none.png"))});
    EXPECT_EQ(controller->toolbarAllowedItemIdentifiers(), (QStringList{"grep", "grep", "gone"}));
    auto* grep = qobject_cast<MivToolbarButton*>(controller->toolbarItemForIdentifier(QStringLiteral("grep")));
    ASSERT_NE(grep, nullptr);
    EXPECT_EQ(grep->def().path, QStringLiteral("/bin/grep"));
    QAction* gone = controller->toolbarItemForIdentifier(QStringLiteral("gone"));
    ASSERT_NE(gone, nullptr);
    EXPECT_FALSE(gone->icon().isNull());
    EXPECT_EQ(controller->toolbarItemForIdentifier(QStringLiteral("unknown")), nullptr);
    controller->removeAllToolbarItems();
    EXPECT_TRUE(controller->toolbarAllowedItemIdentifiers().isEmpty());
    // Every command waits for the action state, which says no for now.
    EXPECT_FALSE(controller->toolbarControl(QStringLiteral("cpyControl"))->isEnabled());
}

} // namespace

#include "MivWinControllerTest.moc"
