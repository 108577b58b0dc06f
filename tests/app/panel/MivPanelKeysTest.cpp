#include "app/panel/PanelTestSupport.h"

#include "app/files-table/MivFilesTableView.h"
#include "app/panel/MivFilesTableControlKeys.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/tools/MivToolShortcut.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

using namespace mivtest;

namespace {

// The control keys a panel posts, in order (GUI thread).
class ControlKeyRecorder
{
public:
    explicit ControlKeyRecorder(const void* panel)
        : m_token(plat::NotificationCenter::defaultCenter().observe(
              QString::fromLatin1(ksFilesTableControlKeyPressedNotification), panel,
              [this](const plat::Notification& n) { userInfos.append(n.userInfo); }))
    {
    }
    // Without the Shift flags, which QTest's own Shift presses post.
    QStringList keys() const
    {
        QStringList result;
        for (const auto& info : userInfos) {
            const QString key = info.value(QStringLiteral("key")).toString();
            if (key != QLatin1String(FilesTableControlKeyShiftDown) && key != QLatin1String(FilesTableControlKeyShiftUp))
                result << key;
        }
        return result;
    }
    QStringList allKeys() const
    {
        QStringList result;
        for (const auto& info : userInfos)
            result << info.value(QStringLiteral("key")).toString();
        return result;
    }
    QVariantMap last() const
    {
        for (qsizetype i = userInfos.size() - 1; i >= 0; --i)
            if (userInfos[i].value("key").toString() != QLatin1String(FilesTableControlKeyShiftUp))
                return userInfos[i];
        return {};
    }
    QList<QVariantMap> userInfos;

private:
    plat::NotificationToken m_token;
};

class MivPanelKeysTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        MivFilesViewController::setFileOpener([this](const MivFileDataPtr& file) {
            std::lock_guard lock(m_openedLock);
            m_opened << file->name();
            return true;
        });
        makeFolder("top/sub");
        makeFile("top/a.txt");
        makeFile("top/b.txt");
        makeFile("top/c.txt");
        ASSERT_TRUE(list(item(path("top"))));
        m_table = showFocusedTable();
        ASSERT_TRUE(m_table);
    }
    void TearDown() override
    {
        ASSERT_TRUE(waitForOpenings());
        MivFilesViewController::setFileOpener({});
        PanelTest::TearDown();
    }
    QStringList opened() const
    {
        std::lock_guard lock(m_openedLock);
        return m_opened;
    }

    MivFilesTableView* m_table = nullptr;
    mutable std::mutex m_openedLock;
    QStringList m_opened;
};

// Rows: "..", sub, a.txt, b.txt, c.txt.
TEST_F(MivPanelKeysTest, KeysBecomeControlKeysOrReachTheView)
{
    struct Case
    {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QStringList posted;  // the control keys, in order
        int focusAfter;      // focused row after the key (focus starts on a.txt, row 2)
    };
    const Case cases[] = {
        {"plain Down reaches the view", Qt::Key_Down, Qt::NoModifier, {}, 3},
        {"plain Up reaches the view", Qt::Key_Up, Qt::NoModifier, {}, 1},
        {"Ctrl+Shift+Down: extra modifiers still match", Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier,
         {CommandlineControlKeyShowHistory}, 2},
        {"Ctrl+Return opens inside before plain open", Qt::Key_Return, Qt::ControlModifier, {FilesTableControlKeyInside}, 2},
        {"Alt+Down: history", Qt::Key_Down, Qt::AltModifier, {ksFilesTableControlKeyHistory}, 2},
        {"Right goes inside", Qt::Key_Right, Qt::NoModifier, {FilesTableControlKeyOpenFolder}, 2},
        {"Left goes up", Qt::Key_Left, Qt::NoModifier, {FilesTableControlKeyUpFolder}, 2},
        {"Backspace goes up", Qt::Key_Backspace, Qt::NoModifier, {FilesTableControlKeyUpFolder}, 2},
        {"Shift+Backspace: no plain binding matches", Qt::Key_Backspace, Qt::ShiftModifier, {}, 2},
        {"Space marks", Qt::Key_Space, Qt::NoModifier, {FilesTableControlKeySelect}, 2},
        {"Shift+Down marks and moves", Qt::Key_Down, Qt::ShiftModifier, {FilesTableControlKeySelectAndGo}, 3},
        {"Shift+Up marks and moves", Qt::Key_Up, Qt::ShiftModifier, {FilesTableControlKeySelectAndGo}, 1},
        {"End jumps to the last row", Qt::Key_End, Qt::NoModifier, {}, 4},
        {"Shift+Home jumps and marks a range", Qt::Key_Home, Qt::ShiftModifier, {FilesTableControlKeyAddSelectionRange}, 0},
        {"Page Down pages", Qt::Key_PageDown, Qt::NoModifier, {FilesTableControlKeyPgDown}, 4},
        {"Forward Delete", Qt::Key_Delete, Qt::NoModifier, {DeleteFilesTableControlKey}, 2},
        {"Meta+. hidden files", Qt::Key_Period, Qt::MetaModifier, {FilesTableControlKeyHiddenFiles}, 2},
        {"Ctrl+Left opens in the left panel", Qt::Key_Left, Qt::ControlModifier, {FilesTableControlKeyOpenInTarget}, 2},
        {"Meta+I switches panels", Qt::Key_I, Qt::MetaModifier, {FilesTableControlKeyChangeFocus}, 2},
        {"Tab switches panels through the view", Qt::Key_Tab, Qt::NoModifier, {FilesTableControlKeyChangeFocus}, 2},
        {"a plain letter no name holds reaches the view", Qt::Key_Q, Qt::NoModifier, {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_panel->clearSelection();
        focusRow(2);
        ControlKeyRecorder recorder(m_panel.get());
        QTest::keyClick(m_table, c.key, c.modifiers);
        EXPECT_EQ(recorder.keys(), c.posted);
        EXPECT_EQ(m_panel->selectionIndex(), c.focusAfter);
    }
    // Ctrl+Return opened a.txt; that opening ends before the panel goes.
    ASSERT_TRUE(waitUntil([&] { return opened().size() == 1; }));
    EXPECT_EQ(opened(), QStringList{"a.txt"});
    expectBalanced();
}

TEST_F(MivPanelKeysTest, DataOfThePostedKeysAndTheirMarks)
{
    ControlKeyRecorder recorder(m_panel.get());
    focusRow(rowOf("a.txt"));
    QTest::keyClick(m_table, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(m_table, Qt::Key_Right, Qt::ControlModifier);
    ASSERT_EQ(recorder.keys(), (QStringList{FilesTableControlKeySelectAndGo, FilesTableControlKeyOpenInTarget}));
    QList<QVariantMap> posted;
    for (const auto& info : recorder.userInfos)
        if (info.contains("next") || info.contains("left"))
            posted << info;
    ASSERT_EQ(posted.size(), 2);
    EXPECT_EQ(posted[0].value("next"), QVariant(true));
    EXPECT_EQ(posted[1].value("left"), QVariant(false));
    EXPECT_EQ(markedNames(), QStringList{"a.txt"});
    EXPECT_EQ(m_panel->selectionIndex(), rowOf("b.txt"));

    // Shift+End toggles from the focused row to the last, both ends included:
    // b.txt and c.txt are marked, a.txt stays.
    QTest::keyClick(m_table, Qt::Key_End, Qt::ShiftModifier);
    ASSERT_TRUE(waitUntil([&] { return markedNames().size() == 3; }));
    EXPECT_EQ(recorder.last().value("row"), QVariant(rowOf("b.txt")));
    // Space toggles the focused c.txt off again.
    QTest::keyClick(m_table, Qt::Key_Space);
    EXPECT_EQ(markedNames(), (QStringList{"a.txt", "b.txt"}));
}

TEST_F(MivPanelKeysTest, ReboundKeysAndShiftFlags)
{
    // Space rebound to S: S marks, Space reaches the view.
    MivToolShortcut shortcut;
    shortcut.keyCode = 1;
    shortcut.modifierFlags = 0;
    MivContext::context()->updateShortcut(shortcut, QStringLiteral("file.table.select.2"));
    ControlKeyRecorder recorder(m_panel.get());
    focusRow(rowOf("a.txt"));
    QTest::keyClick(m_table, Qt::Key_S);
    QTest::keyClick(m_table, Qt::Key_Space);
    EXPECT_EQ(recorder.keys(), QStringList{FilesTableControlKeySelect});

    recorder.userInfos.clear();
    // As the platform sends them: the state before the key, which Qt's
    // modifiers() flips for the Shift key itself.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(m_table, &press);
    QApplication::sendEvent(m_table, &release);
    EXPECT_EQ(recorder.allKeys().join(u',').toStdString(), QStringList({FilesTableControlKeyShiftDown, FilesTableControlKeyShiftUp}).join(u',').toStdString());
}

TEST_F(MivPanelKeysTest, ReturnEntersAFolderAndTheParentRowFocusesItOnTheWayBack)
{
    focusRow(rowOf("sub"));
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return m_panel->context() && m_panel->context()->name() == "sub"; }));
    ASSERT_TRUE(waitUntil([&] { return rowNames() == QStringList{".."}; }));

    // ".." (focused first in a new folder) goes back with sub focused.
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return m_panel->context() && m_panel->context()->name() == "top"; }));
    ASSERT_TRUE(waitUntil([&] { return m_panel->lastSelected() && m_panel->lastSelected()->name() == "sub"; }));

    // goUp (the window's folder-up command) focuses the folder left too.
    focusRow(rowOf("sub"));
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return m_panel->context() && m_panel->context()->name() == "sub"; }));
    m_panel->goUp();
    ASSERT_TRUE(waitUntil([&] { return m_panel->lastSelected() && m_panel->lastSelected()->name() == "sub"; }));
    EXPECT_TRUE(opened().isEmpty());
    expectBalanced();
}

TEST_F(MivPanelKeysTest, ReturnOnAFileOpensItAndKeepsTheFolder)
{
    focusRow(rowOf("b.txt"));
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !opened().isEmpty(); }));
    EXPECT_EQ(opened(), QStringList{"b.txt"});
    EXPECT_EQ(m_panel->context()->name(), "top");
    expectBalanced();
}

TEST_F(MivPanelKeysTest, ParentRowOfADeletedFolderLeadsToTheNearestAncestor)
{
    makeFolder("top/sub/deep/deeper");
    focusRow(rowOf("sub"));
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return m_panel->context() && m_panel->context()->name() == "sub"; }));
    auto deeper = item(path("top/sub/deep/deeper"));
    ASSERT_TRUE(list(deeper));
    ASSERT_TRUE(QDir(path("top/sub")).removeRecursively());

    // The ".." row leads to deep, which is gone with sub: top is shown.
    const auto up = m_panel->files().front();
    ASSERT_TRUE(up->isUpFolderData());
    m_panel->openFileForContext(up);
    ASSERT_TRUE(waitUntil([&] { return m_panel->context() && m_panel->context()->name() == "top"; }));
    EXPECT_TRUE(opened().isEmpty());
    expectBalanced();
}

} // namespace
