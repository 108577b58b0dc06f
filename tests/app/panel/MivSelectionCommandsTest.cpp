#include "app/panel/PanelTestSupport.h"

#include "app/files-table/MivFilesTableView.h"
#include "app/filetools/MivSelectPatternWindowController.h"
#include "app/panel/MivFilesTableControlKeys.h"
#include "app/panel/MivFilePredicate.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/operations/MivRemoteFileTooLargeException.h"
#include "app/settings/IMivContextEntryController.h"
#include "support/ManualTimerSource.h"
#include "support/ScopedLogState.h"
#include "support/WaitUntil.h"
#include "support/widgets/PresetAlertResponder.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <algorithm>

using namespace mivtest;
using namespace std::chrono_literals;

namespace {

// Posted by the panel, observed by the main window.
constexpr const char* kSelectionChanged = "FilesTableSelectionChanged";

QStringList sorted(QStringList names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// A panel shown in its list view over a small folder, with the test's clock.
class MivSelectionCommandsTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        // Return on a file must not start an application here.
        MivFilesViewController::setFileOpener([this](const MivFileDataPtr&) {
            ++m_openCalls;
            return true;
        });
        m_timers = std::make_unique<ManualTimerSource>();
        makeFolder("top/docs");
        for (const char* name : {"a+b.txt", "a.txt", "ab", "b.TXT", "ba", "c.md", "Ärger.txt"})
            makeFile(QStringLiteral("top/") + QString::fromUtf8(name));
        ASSERT_TRUE(list(item(path("top"))));
        m_table = showFocusedTable();
        ASSERT_TRUE(m_table);
    }
    void TearDown() override
    {
        ASSERT_TRUE(waitForOpenings());
        MivFilesViewController::setFileOpener({});
        // The table's timers live on the test's clock: the panel and its
        // table go first.
        PanelTest::TearDown();
        m_timers.reset();
    }
    void mark(const QStringList& names)
    {
        QList<MivFileDataPtr> items;
        for (const QString& name : names)
            items << row(name);
        m_panel->setSelectionFromArray(items);
    }

    std::unique_ptr<ManualTimerSource> m_timers;
    MivFilesTableView* m_table = nullptr;
    std::atomic<int> m_openCalls{0};
};

// Commands arrive as control keys, as the menus and the sheet send them.
TEST_F(MivSelectionCommandsTest, CommandsMarkByNameExtensionAndInversion)
{
    const QStringList all = {"Ärger.txt", "a+b.txt", "a.txt", "ab", "b.TXT", "ba", "c.md", "docs"};
    struct Case
    {
        const char* name;
        QStringList markedBefore;
        const char* focused;  // the highlighted row, or null for the ".." row
        const char* key;
        QVariantMap data;
        QStringList markedAfter;
    };
    const QVariantMap noData;
    auto wildcard = [](const char* pattern) { return QVariantMap{{"pattern", pattern}, {"regexp", false}}; };
    auto regexp = [](const char* pattern) { return QVariantMap{{"pattern", pattern}, {"regexp", true}}; };
    const Case cases[] = {
        {"wildcards match case-sensitively", {}, nullptr, FilesTableControlKeySelectByPattern, wildcard("*.TXT"), {"b.TXT"}},
        {"a wildcard matches the whole name", {}, nullptr, FilesTableControlKeySelectByPattern, wildcard("a*"),
         {"a+b.txt", "a.txt", "ab"}},
        {"diacritics are ignored", {}, nullptr, FilesTableControlKeySelectByPattern, wildcard("Arger.*"), {"Ärger.txt"}},
        {"? stands for one character", {}, nullptr, FilesTableControlKeySelectByPattern, wildcard("??"), {"ab", "ba"}},
        {"other characters of a wildcard are literal", {}, nullptr, FilesTableControlKeySelectByPattern,
         wildcard("a+b.*"), {"a+b.txt"}},
        {"the same text as an expression", {}, nullptr, FilesTableControlKeySelectByPattern, regexp("a+b.*"), {"ab"}},
        {"without \"regexp\" the pattern is a wildcard", {}, nullptr, FilesTableControlKeySelectByPattern,
         {{"pattern", "*.md"}}, {"c.md"}},
        {"marks add to the marks there are", {"c.md"}, nullptr, FilesTableControlKeySelectByPattern, wildcard("ab"),
         {"ab", "c.md"}},
        {"an invalid expression marks nothing", {"c.md"}, nullptr, FilesTableControlKeySelectByPattern, regexp("(a"),
         {"c.md"}},
        {"unselect by pattern keeps the other marks", all, nullptr, FilesTableControlKeyUnselectByPattern,
         wildcard("*.txt"), {"ab", "b.TXT", "ba", "c.md", "docs"}},
        {"select all leaves out the parent row", {}, nullptr, FilesTableControlKeySelectAll, noData, all},
        {"select none", {"ab", "docs"}, nullptr, FilesTableControlKeySelectNone, noData, {}},
        {"invert", {"ab", "docs"}, nullptr, FilesTableControlKeyInvertSelection, noData,
         {"Ärger.txt", "a+b.txt", "a.txt", "b.TXT", "ba", "c.md"}},
        {"invert after select all unmarks everything", all, nullptr, FilesTableControlKeyInvertSelection, noData, {}},
        {"by extension ignores its case and keeps marks", {"c.md"}, "b.TXT", FilesTableControlKeySelectByExtension,
         noData, {"Ärger.txt", "a+b.txt", "a.txt", "b.TXT", "c.md"}},
        {"by extension of a name without one marks nothing", {}, "ab", FilesTableControlKeySelectByExtension, noData,
         {}},
        {"by extension on the parent row marks nothing", {}, nullptr, FilesTableControlKeySelectByExtension, noData, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mark(c.markedBefore);
        focusRow(c.focused ? rowOf(QString::fromUtf8(c.focused)) : 0);
        m_recorder->clear();
        m_panel->processControlKey(QString::fromLatin1(c.key), c.data);
        EXPECT_EQ(sorted(markedNames()), sorted(c.markedAfter));
        // One batch: one notice before and one after.
        EXPECT_EQ(m_recorder->count(ksFilesTableMarkedSelectionChanging), 1);
        EXPECT_EQ(m_recorder->count(ksFilesTableMarkedSelectionChanged), 1);
    }
}

TEST_F(MivSelectionCommandsTest, FilteredRowsAreNotMarkedByPattern)
{
    // Only the rows the list shows take part.
    auto predicate = MivFilePredicate::create(QStringLiteral("name"), MivFilePredicate::Operator::Matches,
                                              QStringLiteral("a.*"), 0);
    ASSERT_TRUE(predicate);
    m_panel->arrayController()->setFilterPredicate(predicate);
    ASSERT_TRUE(waitUntil([&] { return m_panel->arrayController()->dataObjectsCount() < 9; }));
    m_panel->processControlKey(QString::fromLatin1(FilesTableControlKeySelectByPattern), {{"pattern", "*"}});
    EXPECT_EQ(sorted(markedNames()), sorted({"a+b.txt", "a.txt", "ab"}));
}

TEST_F(MivSelectionCommandsTest, SheetMarksAndUnmarksThroughThePanel)
{
    PresetAlertResponder responder;
    responder.pressButtonTitled(QStringLiteral("OK"), QStringLiteral("*.txt"));
    m_panel->selectGroup();
    ASSERT_TRUE(waitUntil([&] { return markedNames().size() == 3; }));
    EXPECT_EQ(sorted(markedNames()), sorted({"Ärger.txt", "a+b.txt", "a.txt"}));

    responder.pressButtonTitled(QStringLiteral("OK"), QStringLiteral("a*"));
    m_panel->unselectGroup();
    ASSERT_TRUE(waitUntil([&] { return markedNames().size() == 1; }));
    EXPECT_EQ(markedNames(), QStringList{"Ärger.txt"});

    // Cancel changes nothing.
    responder.pressButtonTitled(QStringLiteral("Cancel"), QStringLiteral("*"));
    m_panel->selectGroup();
    ASSERT_TRUE(waitUntil([&] { return responder.unused() == 0; }));
    flushMainThread();
    EXPECT_EQ(markedNames(), QStringList{"Ärger.txt"});
    EXPECT_EQ(responder.seen().size(), 3u);
    EXPECT_TRUE(responder.seen().front().windowModal);
}

TEST_F(MivSelectionCommandsTest, SheetRefusesAnInvalidExpressionAndSendsTheBox)
{
    MivSelectPatternWindowController sheet(MivSelectPatternWindowController::kActionMark);
    sheet.setController(m_panel);
    sheet.window();
    sheet.patternField()->setText(QStringLiteral("(a"));
    sheet.regexpField()->setChecked(true);
    EXPECT_FALSE(sheet.validate());
    auto* error = sheet.window()->findChild<QLabel*>(QStringLiteral("errorLabel"));
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isHidden());
    EXPECT_FALSE(error->text().isEmpty());

    // The same text is a fine wildcard pattern.
    sheet.regexpField()->setChecked(false);
    EXPECT_TRUE(sheet.validate());

    // On OK the box travels with the pattern: "a+b" as an expression is "ab".
    sheet.patternField()->setText(QStringLiteral("a+b"));
    sheet.regexpField()->setChecked(true);
    sheet.processResult(MivModalWindowController::kResponseStop);
    EXPECT_EQ(markedNames(), QStringList{"ab"});
    sheet.processResult(MivModalWindowController::kResponseAbort);
    EXPECT_EQ(markedNames(), QStringList{"ab"});

    // A panel gone meanwhile drops the result.
    MivSelectPatternWindowController orphan(MivSelectPatternWindowController::kActionUnmark);
    orphan.setController(std::weak_ptr<MivFilesViewController>());
    orphan.window();
    orphan.patternField()->setText(QStringLiteral("*"));
    orphan.processResult(MivModalWindowController::kResponseStop);
    EXPECT_EQ(markedNames(), QStringList{"ab"});
}

// Type-to-select over a folder of its own, its rows checked in SetUp.
class MivTypeSelectTest : public MivSelectionCommandsTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        m_timers = std::make_unique<ManualTimerSource>();
        makeFolder("names/docs");
        for (const char* name : {"abc.txt", "abd.txt", "notes.txt", "xab.md", "zab.tx"})
            makeFile(QStringLiteral("names/") + QString::fromLatin1(name));
        ASSERT_TRUE(list(item(path("names"))));
        ASSERT_EQ(rowNames(), (QStringList{"..", "docs", "abc.txt", "abd.txt", "notes.txt", "xab.md", "zab.tx"}));
        m_table = showFocusedTable();
        ASSERT_TRUE(m_table);
    }
    // Ends a burst of typing: the next key starts a new search text.
    void pause() { m_timers->advance(std::chrono::milliseconds(QApplication::keyboardInputInterval()) + 1ms); }
};

TEST_F(MivTypeSelectTest, TypedTextMovesTheHighlightByTheAnchoringSettings)
{
    struct Case
    {
        const char* name;
        bool beginning;  // quickSearchBeginning
        bool ending;     // quickSearchEnding
        int option;      // quickSearchOption
        int startRow;
        const char* typed;
        int expectedRow;
    };
    const Case cases[] = {
        {"anywhere in the name", false, false, 1, 0, "b", 2},
        {"anchored at the beginning", true, false, 1, 0, "b", 0},
        {"anchored, a beginning that exists", true, false, 1, 0, "xa", 5},
        {"from the highlighted row the search starts after it", false, false, 1, 2, "ab", 3},
        {"each further letter refines from where the typing began", false, false, 1, 0, "abd", 3},
        {"the base name and the extension may each go on", false, false, 1, 0, "ab.tx", 2},
        {"with the ending anchored they may not", false, true, 1, 0, "ab.tx", 6},
        {"beginning anchored, extension open", true, false, 1, 0, "ab.tx", 2},
        {"wraps around to the top", false, false, 1, 6, "abc", 2},
        {"the only match stays highlighted", false, false, 1, 5, "xa", 5},
        {"a letter that leads nowhere keeps the longest match after the row", false, false, 1, 2, "abq", 3},
        {"nothing matches at all", false, false, 1, 3, "qq", 3},
        {"expression characters are literal", false, false, 1, 0, "m*", 5},
        {"case is ignored", false, false, 1, 0, "D", 1},
        {"no type-to-select without its option", false, false, 0, 0, "ab", 0},
        {"nor when typing opens the quick filter", false, false, 2, 0, "ab", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto settings = MivContext::context();
        settings->setQuickSearchBeginning(c.beginning);
        settings->setQuickSearchEnding(c.ending);
        settings->setQuickSearchOption(c.option);
        focusRow(c.startRow);
        QTest::keyClicks(m_table, QString::fromUtf8(c.typed));
        EXPECT_EQ(m_panel->arrayController()->selectionIndex(), c.expectedRow);
        pause();
    }
    // Diacritics are ignored too: "ö" finds "docs".
    MivContext::context()->setQuickSearchOption(1);
    focusRow(0);
    m_table->keyboardSearch(QStringLiteral("ö"));
    EXPECT_EQ(m_panel->arrayController()->selectionIndex(), 1);
}

TEST_F(MivTypeSelectTest, TextGathersUntilTheTypingPauses)
{
    focusRow(0);
    QTest::keyClicks(m_table, QStringLiteral("no"));
    EXPECT_EQ(m_panel->arrayController()->selectionIndex(), 4) << "\"no\": notes.txt";
    pause();
    focusRow(0);
    QTest::keyClicks(m_table, QStringLiteral("n"));
    EXPECT_EQ(m_panel->arrayController()->selectionIndex(), 4);
    pause();
    // A new burst: "o" alone, after notes.txt, wraps around to docs.
    QTest::keyClicks(m_table, QStringLiteral("o"));
    EXPECT_EQ(m_panel->arrayController()->selectionIndex(), 1);
}

TEST_F(MivSelectionCommandsTest, BurstOfHighlightMovesPostsOneSelectionChangeAfterTheLast)
{
    QList<MivFileDataPtr> contexts;
    QStringList names;
    auto token = plat::NotificationCenter::defaultCenter().observe(
        QString(), m_panel.get(), [&](const plat::Notification& n) {
            names << n.name;
            if (n.name == QLatin1String(kSelectionChanged))
                contexts << n.userInfo.value(QStringLiteral("context")).value<MivFileDataPtr>();
        });
    m_timers->advance(1s);  // whatever the set-up's focus scheduled
    flushMainThread();
    names.clear();
    contexts.clear();

    focusRow(1);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(m_table, Qt::Key_Down);
        m_timers->advance(150ms);  // each move comes before the delay ran out
        flushMainThread();
    }
    EXPECT_TRUE(contexts.isEmpty());
    m_timers->advance(50ms);
    ASSERT_TRUE(waitUntil([&] { return contexts.size() == 1; }));
    EXPECT_EQ(contexts.front(), m_panel->arrayController()->dataObjectAtIndex(5));
    const QStringList expected = {ksFilesTableStartOperationNotification, kSelectionChanged,
                                  ksFilesTableStopOperationNotification};
    QStringList handled;
    for (const QString& name : names)
        if (expected.contains(name))
            handled << name;
    EXPECT_EQ(handled, expected);

    m_timers->advance(1s);
    flushMainThread();
    EXPECT_EQ(contexts.size(), 1);
}

// A side whose quick filter records what reaches it.
class RecordingQuickFilter final : public IMivContextEntryController
{
public:
    bool isSearchPanelShown() const override { return shown; }
    void showSearchPanel() override
    {
        ++showCount;
        shown = true;
    }
    bool processSearchKeyEvent(QKeyEvent* event) override
    {
        keys << event->key();
        return takesKeys;
    }

    bool shown = false;
    bool takesKeys = true;
    int showCount = 0;
    QList<int> keys;
};

TEST_F(MivSelectionCommandsTest, QuickFilterStepOfTheKeys)
{
    struct Case
    {
        const char* name;
        int option;  // quickSearchOption
        bool shown;  // the quick filter is shown before the key
        bool takesKeys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool opens;          // the key opened the quick filter
        bool handedOver;     // the quick filter saw the key
        QStringList posted;  // control keys the panel posted after
    };
    const Case cases[] = {
        {"a letter opens the filter and goes to it", 2, false, true, Qt::Key_K, Qt::NoModifier, true, true, {}},
        {"a shifted letter too", 2, false, true, Qt::Key_K, Qt::ShiftModifier, true, true, {}},
        {"and with Option alone", 2, false, true, Qt::Key_K, Qt::AltModifier, true, true, {}},
        {"Command letters never do", 2, false, true, Qt::Key_S, Qt::ControlModifier, false, false,
         {FilterFilesTableControlKey}},
        {"Slash opens nothing", 2, false, true, Qt::Key_Slash, Qt::NoModifier, false, false, {}},
        {"Backslash opens nothing", 2, false, true, Qt::Key_Backslash, Qt::NoModifier, false, false, {}},
        {"Return opens nothing", 2, false, true, Qt::Key_Return, Qt::NoModifier, false, false,
         {FilesTableControlKeyEnter}},
        {"Space is no character key", 2, false, true, Qt::Key_Space, Qt::NoModifier, false, false,
         {FilesTableControlKeySelect}},
        {"without the option letters do not open it", 1, false, true, Qt::Key_K, Qt::NoModifier, false, false, {}},
        {"Escape goes to it even when hidden", 1, false, true, Qt::Key_Escape, Qt::NoModifier, false, true, {}},
        {"a shown filter gets the keys", 1, true, true, Qt::Key_Backspace, Qt::NoModifier, false, true, {}},
        {"a key it refuses goes on to the table", 1, true, false, Qt::Key_Backspace, Qt::NoModifier, false, true,
         {FilesTableControlKeyUpFolder}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto filter = std::make_shared<RecordingQuickFilter>();
        filter->shown = c.shown;
        filter->takesKeys = c.takesKeys;
        m_entry->setController(filter);
        MivContext::context()->setQuickSearchOption(c.option);
        QStringList posted;
        auto token = plat::NotificationCenter::defaultCenter().observe(
            QString::fromLatin1(ksFilesTableControlKeyPressedNotification), m_panel.get(),
            [&](const plat::Notification& n) {
                const QString key = n.userInfo.value(QStringLiteral("key")).toString();
                if (key != QLatin1String(FilesTableControlKeyShiftDown) && key != QLatin1String(FilesTableControlKeyShiftUp))
                    posted << key;
            });
        focusRow(rowOf(QStringLiteral("ab")));
        QTest::keyClick(m_table, c.key, c.modifiers);
        EXPECT_EQ(filter->showCount, c.opens ? 1 : 0);
        EXPECT_EQ(filter->keys, c.handedOver ? QList<int>{c.key} : QList<int>{});
        EXPECT_EQ(posted, c.posted);
        m_panel->clearSelection();
    }
    m_entry->setController(nullptr);
    // Return opened the file; its opening has ended before the panel goes.
    ASSERT_TRUE(waitUntil([&] { return m_openCalls.load() == 1; }));
    expectBalanced();
}

// The user declined to fetch a remote file: the opening ends without an
// error line, while other failures of an opening are still logged.
TEST_F(MivSelectionCommandsTest, OpeningATooLargeRemoteFileEndsQuietly)
{
    ScopedLogState restoreLog;
    std::mutex linesLock;
    QStringList lines;
    plat::setLogLineFormatter([&](const plat::LogMessage& message) {
        std::lock_guard guard(linesLock);
        lines << message.text;
        return message.text;
    });
    auto logged = [&] {
        std::lock_guard guard(linesLock);
        return lines.filter(QStringLiteral("Opening failed"));
    };
    std::atomic<int> calls{0};
    MivFilesViewController::setFileOpener([&](const MivFileDataPtr& file) -> bool {
        ++calls;
        if (file->name() == QLatin1String("c.md"))
            throw MivRemoteFileTooLargeException();
        throw std::runtime_error("broken");
    });
    const MivFileDataPtr shown = m_panel->context();

    m_recorder->clear();
    focusRow(rowOf(QStringLiteral("c.md")));
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return calls.load() == 1; }));
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableStopOperationNotification, 1));
    EXPECT_TRUE(logged().isEmpty());

    focusRow(rowOf(QStringLiteral("ab")));
    QTest::keyClick(m_table, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return calls.load() == 2; }));
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableStopOperationNotification, 2));
    ASSERT_TRUE(waitUntil([&] { return logged().size() == 1; }));
    EXPECT_TRUE(logged().front().contains(QLatin1String("broken")));
    expectBalanced();
    EXPECT_EQ(m_panel->context(), shown);
    EXPECT_TRUE(presented().isEmpty());
}

} // namespace
