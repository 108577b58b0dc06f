#include "app/menu/MivMainMenu.h"

#include "app/controls/MivCollapsibleSplitView.h"
#include "app/settings/MivContext.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/tools/MivToolbarButton.h"
#include "app/window/MivMainWindow.h"
#include "app/window/MivWinController.h"
#include "platform/KeyCodeAdapter.h"
#include "platform/SortDescriptor.h"
#include "platform/Trash.h"
#include "support/WaitUntil.h"
#include "support/widgets/PresetAlertResponder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using Key = plat::KeyCodeAdapter;

// A panel stand-in that records the keys it is given.
class KeyRecorder : public QWidget
{
public:
    using QWidget::QWidget;
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // The modifier keys' own presses are not commands.
        if (event->key() != Qt::Key_Control && event->key() != Qt::Key_Shift)
            keys << event->key();
    }
};

class MainMenu : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        QFile::remove(MivContext::pathForContextDataFile());
        MivContext::loadContext();
        makeMenu();
    }
    void TearDown() override
    {
        m_menu.reset();
        m_window.reset();
        MivContext::resetForTesting();
    }

    // A fresh window and menu, as a new process makes them.
    void makeMenu()
    {
        m_menu.reset();
        m_window = std::make_unique<QMainWindow>();
        m_menu = std::make_unique<MivMainMenu>(m_window->menuBar(), nullptr);
    }

    // A restart: the settings go through their archive.
    void restart()
    {
        ASSERT_TRUE(MivContext::saveContext());
        m_menu.reset();
        m_window.reset();
        MivContext::resetForTesting();
        MivContext::loadContext();
        makeMenu();
        m_menu->reloadShortcuts();
    }

    QAction* item(const char* name, int tag = 0) const { return m_menu->action(QString::fromLatin1(name), tag); }

    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<MivMainMenu> m_menu;
};

TEST_F(MainMenu, ToolsMenuFollowsTheToolList)
{
    m_menu->updateToolsMenu();
    EXPECT_FALSE(m_menu->toolsMenu()->menuAction()->isVisible()) << "no tools, no Tools menu";
    EXPECT_TRUE(m_menu->toolActions().isEmpty());

    MivToolDef first;
    first.name = QStringLiteral("First");
    first.path = QStringLiteral("/bin/true");
    first.shortcut = MivToolShortcut{12, Key::kCommandKeyMask | Key::kShiftKeyMask};
    MivToolDef second = first;
    second.name = QStringLiteral("Second");
    second.shortcut.reset();
    MivContext::context()->setTools({first, second});
    m_menu->updateToolsMenu();
    m_menu->updateToolsMenu();

    EXPECT_TRUE(m_menu->toolsMenu()->menuAction()->isVisible());
    const QList<QAction*> tools = m_menu->toolActions();
    ASSERT_EQ(tools.size(), 2) << "a rebuild replaces the items";
    EXPECT_EQ(tools[0]->text(), QStringLiteral("First"));
    EXPECT_EQ(tools[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    EXPECT_EQ(tools[1]->text(), QStringLiteral("Second"));
    EXPECT_TRUE(tools[1]->shortcut().isEmpty());
    EXPECT_EQ(tools[1]->property("def").value<MivToolDef>(), second);

    MivContext::context()->setTools({});
    m_menu->updateToolsMenu();
    EXPECT_FALSE(m_menu->toolsMenu()->menuAction()->isVisible());
    EXPECT_TRUE(m_menu->toolActions().isEmpty());
}

TEST_F(MainMenu, ViewTitlesFollowTheSettings)
{
    const auto context = MivContext::context();
    context->setCommandLineVisible(true);
    context->setStatusBarVisible(false);
    context->setSideBarVisible(true);
    context->setActionBarVisible(false);
    m_menu->updateViewTitles();
    EXPECT_EQ(item("showHideCommandLine:", 85)->text(), QStringLiteral("Hide Command Line"));
    EXPECT_EQ(item("showHideStatusBar:", 92)->text(), QStringLiteral("Show Status Bar"));
    EXPECT_EQ(item("showHideSideBar:", 91)->text(), QStringLiteral("Hide Side Bar"));
    EXPECT_EQ(item("showHideActionBar:", 95)->text(), QStringLiteral("Show Action Bar"));

    context->setCommandLineVisible(false);
    context->setStatusBarVisible(true);
    Q_EMIT m_menu->viewMenu()->aboutToShow();
    EXPECT_EQ(item("showHideCommandLine:", 85)->text(), QStringLiteral("Show Command Line"));
    EXPECT_EQ(item("showHideStatusBar:", 92)->text(), QStringLiteral("Hide Status Bar"));
}

TEST_F(MainMenu, TicksMirrorTheActivePanel)
{
    m_menu->sortDescriptorUpdated(plat::SortDescriptor{QStringLiteral("extenssion"), false});
    const auto ticked = [this] {
        QList<int> tags;
        for (QAction* action : m_menu->sortByMenu()->actions()) {
            if (action->isChecked())
                tags << action->data().toInt();
        }
        return tags;
    };
    EXPECT_EQ(ticked(), (QList<int>{1, 202}));
    m_menu->sortDescriptorUpdated(plat::SortDescriptor{QStringLiteral("sortKey"), true});
    EXPECT_EQ(ticked(), QList<int>{201}) << "an unknown key ticks only the direction";
    m_menu->sortDescriptorUpdated(std::nullopt);
    EXPECT_TRUE(ticked().isEmpty());

    m_menu->updateViewState(2);
    for (int tag = 450; tag <= 453; ++tag)
        EXPECT_EQ(item("selectFilesView:", tag)->isChecked(), tag == 452) << tag;

    EXPECT_FALSE(item("prevAction:", 230)->isEnabled());
    m_menu->setPrevEnabled(true);
    EXPECT_TRUE(item("prevAction:", 230)->isEnabled());
    EXPECT_FALSE(item("nextAction:", 231)->isEnabled());
    EXPECT_FALSE(item("exportSettingsToDropbox:")->isEnabled()) << "no cloud account is ever linked";
}

TEST_F(MainMenu, PathIdsNameItemsByActionAndTag)
{
    EXPECT_EQ(MivMenuShortcuts::menuItemId(item("changeSortOrder:", 202)),
              QStringLiteral("View>>Sort By>>changeSortOrder:_202"));
    EXPECT_EQ(MivMenuShortcuts::menuItemId(item("prevAction:", 230)), QStringLiteral("Go>>prevAction:_230"));
    EXPECT_EQ(MivMenuShortcuts::menuItemId(nullptr, QStringLiteral("x")), QStringLiteral("x"));
}

// A changed key and a cleared key both survive a restart; a reset gives every
// item the key it was built with, also after the restart.
TEST_F(MainMenu, MenuShortcutsSurviveARestartAndReset)
{
    QAction* preferences = item("showPreferencesDialog:");
    ASSERT_EQ(preferences->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_menu->shortcuts().updateShortcut(MivToolShortcut{35, Key::kCommandKeyMask | Key::kShiftKeyMask}, preferences);
    m_menu->shortcuts().updateShortcut(std::nullopt, item("prevAction:", 230));
    EXPECT_EQ(preferences->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    EXPECT_TRUE(item("prevAction:", 230)->shortcut().isEmpty());

    restart();
    EXPECT_EQ(item("showPreferencesDialog:")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    EXPECT_TRUE(item("prevAction:", 230)->shortcut().isEmpty());
    EXPECT_EQ(item("nextAction:", 231)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_BracketRight)) << "untouched";

    m_menu->shortcuts().resetShortcuts();
    EXPECT_EQ(item("showPreferencesDialog:")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(item("prevAction:", 230)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    EXPECT_FALSE(MivContext::context()->dict().contains(MivMenuShortcuts::kStoreKey));

    restart();
    EXPECT_EQ(item("showPreferencesDialog:")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
}

// Ids in the two older forms (titles, action names without tags) apply too.
TEST_F(MainMenu, OlderIdFormsApply)
{
    MivContext::context()->setDictObject(
        QVariantMap{{QStringLiteral("Go>>Forward"), MivMenuShortcuts::encode(MivToolShortcut{3, Key::kCommandKeyMask})},
                    {QStringLiteral("File>>emptyTrash:"), MivMenuShortcuts::nullMarker()}},
        MivMenuShortcuts::kStoreKey);
    m_menu->reloadShortcuts();
    EXPECT_EQ(item("nextAction:", 231)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_TRUE(item("emptyTrash:")->shortcut().isEmpty());
}

TEST_F(MainMenu, MenuKeysFireBeforeThePanelSeesThem)
{
    auto* panel = new KeyRecorder(m_window.get());
    m_window->setCentralWidget(panel);
    panel->setFocusPolicy(Qt::StrongFocus);
    m_window->show();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    panel->setFocus();
    QSignalSpy requested(m_menu.get(), &MivMainMenu::preferencesRequested);

    QTest::keyClick(panel, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(requested.count(), 1);
    EXPECT_TRUE(panel->keys.isEmpty());

    QTest::keyClick(panel, Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(panel->keys, QList<int>{Qt::Key_Period}) << "other keys still reach the panel";
}

TEST_F(MainMenu, EmptyTrashAsksFirst)
{
    // On the home trash's volume, so the entry goes to the home trash.
    const QString file = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/menu-trash-probe");
    {
        QFile probe(file);
        ASSERT_TRUE(probe.open(QIODevice::WriteOnly));
    }
    plat::Error error;
    const QString trashed = plat::Trash::moveToTrash(file, &error);
    ASSERT_FALSE(trashed.isEmpty()) << error.description().toStdString();

    mivtest::PresetAlertResponder responder;
    responder.pressButton(1); // NO
    m_menu->emptyTrash();
    EXPECT_TRUE(QFile::exists(trashed));
    ASSERT_EQ(responder.seen().size(), 1u);
    EXPECT_TRUE(responder.seen().front().texts.contains(QStringLiteral("Do you really want to empty trash ?")));

    responder.pressButton(0); // YES
    item("emptyTrash:")->trigger();
    EXPECT_FALSE(QFile::exists(trashed));
    const QString trash = plat::Trash::homeTrashFolder();
    EXPECT_TRUE(QDir(trash + QStringLiteral("/files")).isEmpty());
    EXPECT_TRUE(QDir(trash + QStringLiteral("/info")).isEmpty());
    EXPECT_EQ(responder.unused(), 0);
}

// A side without tabs: the tool buttons need the window, not its folders.
class EmptySide : public MivFilesTabViewController
{
public:
    using MivFilesTabViewController::MivFilesTabViewController;
    void awakeFromNib() override {}
};

class ToolButtons : public MainMenu
{
protected:
    void SetUp() override
    {
        MainMenu::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        MivCollapsibleSplitView::setAnimationsEnabled(false);
        m_controller = std::make_unique<MivWinController>([](QWidget* parent) { return new EmptySide(parent); });
        m_toolMenu = std::make_unique<MivMainMenu>(m_controller->window()->menuBar(), m_controller.get());
    }
    void TearDown() override
    {
        m_toolMenu.reset();
        m_controller.reset();
        MivCollapsibleSplitView::setAnimationsEnabled(true);
        MainMenu::TearDown();
    }

    // A tool that appends its mark to the run log.
    MivToolDef marker(const QString& name, const QString& mark) const
    {
        MivToolDef def;
        def.name = name;
        def.path = QStringLiteral("/bin/sh");
        def.runAsOption = 1;
        def.params = QList<MivToolParamDef>{{QStringLiteral("-c")},
                                            {QStringLiteral("echo %1 >> '%2'").arg(mark, runLog())}};
        return def;
    }
    QString runLog() const { return m_dir.filePath(QStringLiteral("runs")); }
    QByteArray runs() const
    {
        QFile file(runLog());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QList<MivToolbarButton*> buttons() const
    {
        QList<MivToolbarButton*> found;
        for (QAction* action : m_controller->mainToolbar()->actions()) {
            if (auto* button = qobject_cast<MivToolbarButton*>(action))
                found << button;
        }
        return found;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<MivWinController> m_controller;
    std::unique_ptr<MivMainMenu> m_toolMenu;
};

// The buttons follow the tool list, one per tool in order (two tools of one
// name keep their own), and each runs its own tool as its menu item does.
TEST_F(ToolButtons, FollowTheToolListAndRunTheirTool)
{
    m_toolMenu->updateToolsMenu();
    EXPECT_TRUE(buttons().isEmpty()) << "no tools, no buttons";

    MivContext::context()->setTools(
        {marker(QStringLiteral("Same"), QStringLiteral("first")), marker(QStringLiteral("Other"), QStringLiteral("other")),
         marker(QStringLiteral("Same"), QStringLiteral("second"))});
    m_toolMenu->updateToolsMenu();
    m_toolMenu->updateToolsMenu();
    QList<MivToolbarButton*> shown = buttons();
    ASSERT_EQ(shown.size(), 3) << "a rebuild replaces the buttons";
    EXPECT_EQ(m_controller->toolbarAllowedItemIdentifiers(), (QStringList{"Same", "Other", "Same"}));
    EXPECT_EQ(shown[1]->text(), QStringLiteral("Other"));
    EXPECT_EQ(shown[1]->toolTip(), QStringLiteral("Other"));
    EXPECT_EQ(m_controller->toolbarItemForIdentifier(QStringLiteral("Same")), shown[0]);

    shown[2]->trigger();
    ASSERT_TRUE(mivtest::waitUntil([&] { return runs() == "second\n"; })) << runs().toStdString();
    shown[0]->trigger();
    ASSERT_TRUE(mivtest::waitUntil([&] { return runs() == "second\nfirst\n"; })) << runs().toStdString();

    MivContext::context()->setTools({marker(QStringLiteral("Other"), QStringLiteral("other"))});
    m_toolMenu->updateToolsMenu();
    shown = buttons();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0]->def(), marker(QStringLiteral("Other"), QStringLiteral("other")));

    MivContext::context()->setTools({});
    m_toolMenu->updateToolsMenu();
    EXPECT_TRUE(buttons().isEmpty());
    EXPECT_TRUE(m_controller->toolbarAllowedItemIdentifiers().isEmpty());
    EXPECT_EQ(m_controller->toolbarItemForIdentifier(QStringLiteral("Other")), nullptr);
}

TEST_F(ToolButtons, FloatingItemFollowsTheWindowLevel)
{
    QAction* floating = m_toolMenu->action(QStringLiteral("setFloating:"));
    ASSERT_NE(floating, nullptr);
    floating->setChecked(true);
    m_toolMenu->updateFloatingMenu();
    EXPECT_FALSE(floating->isChecked());
    m_controller->window()->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    m_toolMenu->updateFloatingMenu();
    EXPECT_TRUE(floating->isChecked());
}

} // namespace
