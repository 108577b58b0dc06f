#include "FilesTableTestSupport.h"

#include "app/files-table/MivFilesTableColumnsHandler.h"
#include "app/files-table/MivFilesTableHeaderView.h"
#include "app/files-table/MivNameCellDelegate.h"
#include "platform/NotificationCenter.h"
#include "support/ManualTimerSource.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace tabletest;

namespace {

class FilesTableViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivIconRenderer::installIconTheme();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { MivContext::resetForTesting(); }

    // A window with another focusable widget beside the table, so a click
    // into the table is the click that activates it.
    void showInWindow(MivFilesTableView& view, QSize size = {600, 400})
    {
        m_window.resize(size);
        auto* layout = new QHBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(&m_other);
        layout->addWidget(&view, 1);
        m_other.setFixedWidth(40);
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        m_other.setFocus();
        ASSERT_TRUE(mivtest::waitUntil([&] { return m_other.hasFocus(); }));
    }

    void populate(MivFilesTableDataController& model, int folders, int files)
    {
        makeFixture(m_dir.path(), folders, files);
        showItems(model, listFolder(m_dir.path()));
    }

    static QPoint rowCenter(MivFilesTableView& view, int row)
    {
        return view.visualRect(view.model()->index(row, view.columnForIdentifier(QStringLiteral("kol_name")))).center();
    }

    static void click(MivFilesTableView& view, int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, rowCenter(view, row));
    }

    QTemporaryDir m_dir{QDir(mivtest::TestEnvironment::root()).filePath(QStringLiteral("table-XXXXXX"))};
    QWidget m_window;
    QLineEdit m_other;
};

TEST_F(FilesTableViewTest, GotoElementClampsIntoTheListAndDoesNothingWithoutRows)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);

    view.gotoElement(3);
    EXPECT_EQ(view.selectedRow(), -1) << "an empty table has no row to select";
    view.gotoRowByOffset(1);
    EXPECT_EQ(view.selectedRow(), -1);

    populate(model, 0, 10);
    const struct
    {
        int index;
        int row;
    } cases[] = {{-5, 0}, {0, 0}, {1, 1}, {4, 4}, {9, 9}, {10, 9}, {500, 9}};
    for (const auto& c : cases) {
        view.gotoElement(c.index);
        EXPECT_EQ(view.selectedRow(), c.row) << c.index;
        EXPECT_EQ(model.selectionIndex(), c.row) << "the highlight is the model's focus";
        EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);
    }
    view.gotoElement(4);
    view.gotoRowByOffset(-2);
    EXPECT_EQ(view.selectedRow(), 2);
    view.gotoRowByOffset(-20);
    EXPECT_EQ(view.selectedRow(), 0);
}

TEST_F(FilesTableViewTest, PageMoveNeverMovesFewerThanFiveRows)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    populate(model, 0, 120);
    showInWindow(view);

    const struct
    {
        int visibleRows;
        int step;
    } cases[] = {{3, 5}, {6, 5}, {7, 6}, {40, 39}};
    const int rowHeight = view.verticalHeader()->defaultSectionSize();
    for (const auto& c : cases) {
        const int chrome = view.height() - view.viewport()->height();
        view.setFixedHeight(c.visibleRows * rowHeight + chrome);
        ASSERT_TRUE(mivtest::waitUntil([&] { return view.pageSize() == c.visibleRows; })) << c.visibleRows;
        view.gotoElement(50);
        view.pageMove(+1);
        EXPECT_EQ(view.selectedRow(), 50 + c.step) << c.visibleRows;
        view.pageMove(-1);
        EXPECT_EQ(view.selectedRow(), 50) << c.visibleRows;
    }
}

TEST_F(FilesTableViewTest, ClickToRenameNeedsASlowSecondClickOnTheFocusedRow)
{
    mivtest::ManualTimerSource timers;
    MivFilesTableDataController model;
    MivFilesTableView view;
    RecordingPanel panel;
    view.setDataController(&model);
    view.setTableDelegate(&panel);
    populate(model, 0, 5);
    showInWindow(view);
    const auto hover = [&](int row) { QCursor::setPos(view.viewport()->mapToGlobal(rowCenter(view, row))); };
    const auto editing = [&] { return view.currentEditor() != nullptr; };

    // The click that activates the panel, on its focused row, never renames.
    view.gotoElement(2);
    hover(2);
    click(view, 2);
    ASSERT_TRUE(view.hasFocus());
    EXPECT_FALSE(view.canRename());
    timers.advance(1s);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(view.canRename());

    // A later second click on the same row renames half a second after it,
    // while the pointer still rests there.
    click(view, 2);
    timers.advance(499ms);
    EXPECT_FALSE(editing());
    timers.advance(1ms);
    ASSERT_TRUE(editing());
    EXPECT_TRUE(panel.log.contains(QStringLiteral("shouldEdit:kol_name:2")));
    EXPECT_TRUE(panel.log.contains(QStringLiteral("prepareEditor:2")));
    EXPECT_EQ(view.currentEditor()->text(), QStringLiteral("edited"));

    // Escape ends the edit without a value; the table has the focus again.
    QTest::keyClick(view.currentEditor(), Qt::Key_Escape);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(view.hasFocus());
    EXPECT_FALSE(panel.log.filter(QStringLiteral("setObjectValue")).size());

    // Return commits the edited text.
    view.editRow(3);
    ASSERT_TRUE(editing());
    view.currentEditor()->setText(QStringLiteral("renamed.txt"));
    QTest::keyClick(view.currentEditor(), Qt::Key_Return);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(panel.log.contains(QStringLiteral("setObjectValue:renamed.txt:3")));
    EXPECT_TRUE(view.hasFocus());

    // A double click within the half second drops the armed rename.
    timers.advance(1s);
    click(view, 2);
    click(view, 2);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rowCenter(view, 2));
    timers.advance(2s);
    EXPECT_FALSE(editing());

    // Clicks on two different rows arm nothing; nor does the pointer moving away.
    click(view, 1);
    click(view, 2);
    timers.advance(2s);
    EXPECT_FALSE(editing());
    click(view, 2);
    hover(4);
    timers.advance(2s);
    EXPECT_FALSE(editing());
}

TEST_F(FilesTableViewTest, KeysAndCommandsGoToThePanelFirst)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    RecordingPanel panel;
    view.setDataController(&model);
    view.setViewDataSource(&panel);
    view.setTableDelegate(&panel);
    populate(model, 0, 5);
    showInWindow(view);
    view.setFocus();
    ASSERT_TRUE(mivtest::waitUntil([&] { return view.hasFocus(); }));
    view.gotoElement(1);

    // Tab reaches the panel; Qt's focus chain never moves the focus.
    QTest::keyClick(&view, Qt::Key_Tab);
    EXPECT_TRUE(view.hasFocus());
    EXPECT_EQ(panel.log.filter(QStringLiteral("tab")).size(), 1);

    // A key the panel consumes stays there; another one the table handles.
    panel.consumedKeys = {Qt::Key_Down};
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.selectedRow(), 1);
    panel.consumedKeys.clear();
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.selectedRow(), 2);

    // Cutting copies; select-all marks; Escape without an editor does nothing.
    panel.log.clear();
    QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(panel.log.filter(QRegularExpression(QStringLiteral("^(copy|paste|selectAll)$"))),
              QStringList({QStringLiteral("copy"), QStringLiteral("copy"), QStringLiteral("paste"),
                           QStringLiteral("selectAll")}));
    EXPECT_EQ(view.selectedRow(), 2);

    // Modifier keys alone are flag changes.
    panel.log.clear();
    QTest::keyPress(&view, Qt::Key_Shift);
    QTest::keyRelease(&view, Qt::Key_Shift);
    EXPECT_EQ(panel.log, QStringList({QStringLiteral("flags:down"), QStringLiteral("flags:up")}));
}

TEST_F(FilesTableViewTest, ModifiedClicksPostControlKeysAndKeepOneHighlightedRow)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    RecordingPanel panel;
    view.setDataController(&model);
    view.setViewDataSource(&panel);
    view.setTableDelegate(&panel);
    populate(model, 0, 6);
    showInWindow(view);

    bool announced = false;
    const auto token = plat::NotificationCenter::defaultCenter().observe(
        QStringLiteral("FilesComponentActivatedNotification"), dynamic_cast<const void*>(&panel),
        [&](const plat::Notification&) { announced = true; });
    click(view, 1);
    EXPECT_TRUE(announced) << "the table announces its panel when it gets the focus";
    EXPECT_EQ(view.selectedRow(), 1);

    panel.log.clear();
    click(view, 4, Qt::ShiftModifier);
    click(view, 4, Qt::ControlModifier);
    EXPECT_EQ(panel.log.filter(QStringLiteral("FilesTableControlKey")),
              QStringList({QStringLiteral("FilesTableControlKeyAddSelectionRange:4"),
                           QStringLiteral("FilesTableControlKeyMouseSelect")}));
    EXPECT_EQ(view.selectedRow(), 4) << "Ctrl-click on the highlighted row must not clear it";
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);
}

TEST_F(FilesTableViewTest, AConfigurationAppliedToAFreshTableGivesTheSameTable)
{
    MivFilesTableDataController modelA;
    MivFilesTableView a;
    a.setDataController(&modelA);
    MivFilesTableHeaderView* header = a.filesHeader();
    // Move, size, hide and show, and sort by size descending.
    header->moveSection(header->visualIndex(a.columnForIdentifier(QStringLiteral("kol_size"))), 0);
    header->moveSection(header->visualIndex(a.columnForIdentifier(QStringLiteral("kol_name"))), 3);
    header->resizeSection(a.columnForIdentifier(QStringLiteral("kol_name")), 321);
    a.setColumnHidden(a.columnForIdentifier(QStringLiteral("kol_ext")), true);
    a.setColumnHidden(a.columnForIdentifier(QStringLiteral("kol_owner")), false);
    header->resizeSection(a.columnForIdentifier(QStringLiteral("kol_owner")), 77);
    a.setSortDescriptors({*a.sortDescriptorForSortKey(QStringLiteral("size"))});
    a.setSortDescriptors({plat::SortDescriptor{QStringLiteral("size"), false}});

    const QVariantMap configuration = a.columnConfiguration();
    EXPECT_EQ(configuration.value("cols").toMap().size(), 12) << "hidden columns are in the dictionary too";

    MivFilesTableDataController modelB;
    MivFilesTableView b;
    b.setDataController(&modelB);
    b.applyConfiguration(configuration, &modelB);
    for (int column = 0; column < 12; ++column) {
        SCOPED_TRACE(a.identifierForColumn(column).toStdString());
        EXPECT_EQ(b.filesHeader()->visualIndex(column), header->visualIndex(column));
        EXPECT_EQ(b.isColumnHidden(column), a.isColumnHidden(column));
        EXPECT_EQ(b.columnConfiguration().value("cols").toMap().value(a.identifierForColumn(column)),
                  configuration.value("cols").toMap().value(a.identifierForColumn(column)));
    }
    EXPECT_EQ(b.sortData(), a.sortData());
    EXPECT_EQ(modelB.sortDescriptors().value(0), *a.sortData());
    EXPECT_EQ(b.nameBindingKey(), QStringLiteral("name")) << "no extension column: names carry their extension";
    EXPECT_EQ(b.columnConfiguration(), configuration);
}

TEST_F(FilesTableViewTest, AFreshPanelWithTheSavedConfigurationLooksTheSame)
{
    makeFixture(m_dir.path(), 2, 4);
    const QList<MivFileDataPtr> items = listFolder(m_dir.path());
    MivContext::context()->setAlternate(true);
    MivContext::context()->setBoldFolders(true);
    const auto picture = [](MivFilesTableView& view) {
        view.resize(700, 300);
        return view.grab().toImage();
    };

    MivFilesTableDataController modelA;
    MivFilesTableView a;
    a.setDataController(&modelA);
    showItems(modelA, items);
    MivFilesTableHeaderView* header = a.filesHeader();
    header->moveSection(header->visualIndex(a.columnForIdentifier(QStringLiteral("kol_size"))), 0);
    header->resizeSection(a.columnForIdentifier(QStringLiteral("kol_name")), 180);
    a.setColumnHidden(a.columnForIdentifier(QStringLiteral("kol_attr")), true);
    a.setColumnHidden(a.columnForIdentifier(QStringLiteral("kol_kind")), false);
    a.setSortDescriptors({plat::SortDescriptor{QStringLiteral("size"), false}});
    ASSERT_TRUE(mivtest::waitUntil([&] { return !modelA.hasPendingArrangement(); }));

    MivFilesTableDataController modelB;
    MivFilesTableView b;
    b.setDataController(&modelB);
    showItems(modelB, items);
    EXPECT_NE(picture(a), picture(b));
    b.applyConfiguration(a.columnConfiguration(), &modelB);
    ASSERT_TRUE(mivtest::waitUntil([&] { return !modelB.hasPendingArrangement(); }));
    EXPECT_EQ(picture(a), picture(b));
}

TEST_F(FilesTableViewTest, ColumnsMoveToTheirIndexesWhateverOrderTheKeysComeIn)
{
    // Reversed, rotated and swapped orders: each one is wrong somewhere when
    // the moves follow the dictionary's key order.
    const QStringList ids = MivFilesTableDataController::columnIds();
    const int n = int(ids.size());
    const std::function<int(int)> orders[] = {
        [n](int i) { return n - 1 - i; },
        [n](int i) { return (i + 5) % n; },
        [](int i) { return i ^ 1; },
    };
    for (const auto& order : orders) {
        QVariantMap cols;
        for (int i = 0; i < n; ++i)
            cols.insert(ids.at(i), QVariantMap{{"idx", quint64(order(i))}, {"wdh", 60.0 + i}, {"hdn", false}});
        MivFilesTableDataController model;
        MivFilesTableView view;
        view.setDataController(&model);
        view.applyConfiguration({{"cols", cols}}, nullptr);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(view.filesHeader()->visualIndex(view.columnForIdentifier(ids.at(i))), order(i)) << ids.at(i).toStdString();
            EXPECT_EQ(view.columnWidth(view.columnForIdentifier(ids.at(i))), 60 + i);
        }
    }
}

TEST_F(FilesTableViewTest, SortEntriesChangeTheOrderOnlyWhenTheyDiffer)
{
    MivFilesTableView view;
    QSignalSpy changes(&view, &MivFilesTableView::sortDescriptorsChanged);
    const plat::SortDescriptor bySize{QStringLiteral("size"), false, plat::SortDescriptor::Comparison::Default};
    const QVariantMap sort{{"key", bySize.key}, {"asc", bySize.ascending}, {"dta", QVariant::fromValue(bySize)}};

    view.applyConfiguration({{"sort", sort}}, nullptr);
    EXPECT_EQ(changes.size(), 0) << "no \"cols\": nothing changes, the sort entry included";

    view.applyConfiguration({{"cols", QVariantMap()}, {"sort", sort}}, nullptr);
    EXPECT_EQ(view.sortData(), bySize);
    const int afterFirst = int(changes.size());
    view.applyConfiguration({{"cols", QVariantMap()}, {"sort", sort}}, nullptr);
    EXPECT_EQ(changes.size(), afterFirst) << "the very descriptor in force is left alone";

    // Without "dta" the comparison is the column prototype's for the key.
    view.applyConfiguration({{"cols", QVariantMap()}, {"sort", QVariantMap{{"key", "name"}, {"asc", false}}}}, nullptr);
    ASSERT_TRUE(view.sortData().has_value());
    EXPECT_EQ(view.sortData()->key, QStringLiteral("name"));
    EXPECT_FALSE(view.sortData()->ascending);
    EXPECT_EQ(view.sortData()->comparison, view.sortDescriptorForSortKey(QStringLiteral("name"))->comparison);
}

TEST_F(FilesTableViewTest, SortingByAColumnFlipsItsDirectionOrTakesItsPrototype)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);
    view.setSortDescriptors({});
    EXPECT_FALSE(view.changeSortOrder(1)) << "no current sort: nothing to turn";
    EXPECT_FALSE(view.sortByColumnWithName(QString()));
    EXPECT_FALSE(view.sortByColumnWithName(QStringLiteral("kol_nothing")));

    const struct
    {
        const char* action;
        int argument;
        bool changed;
        const char* key;
        bool ascending;
    } steps[] = {
        {"column", 3, true, "size", true},        // kol_size: its prototype
        {"column", 3, true, "size", false},       // again: the direction flips
        {"column", 3, true, "size", true},
        {"order", 1, true, "size", false},
        {"order", 2, false, "size", false},       // neither 0 nor 1: nothing
        {"order", -1, false, "size", false},
        {"order", 0, true, "size", true},
        {"column", 0, true, "name", true},        // another column: its prototype's direction
    };
    for (const auto& step : steps) {
        const bool changed = QByteArray(step.action) == "column"
                                 ? view.sortByColumnWithName(MivFilesTableDataController::columnIds().at(step.argument))
                                 : view.changeSortOrder(step.argument);
        EXPECT_EQ(changed, step.changed) << step.action << step.argument;
        ASSERT_TRUE(view.sortData().has_value());
        EXPECT_EQ(view.sortData()->key, QString::fromLatin1(step.key)) << step.action << step.argument;
        EXPECT_EQ(view.sortData()->ascending, step.ascending) << step.action << step.argument;
        EXPECT_EQ(model.sortDescriptors().value(0), *view.sortData());
    }
}

TEST_F(FilesTableViewTest, HiddenLazyColumnsAreNotLoaded)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);
    const QSet<QString> initial = view.hiddenColumnsForLoading();
    EXPECT_TRUE(initial.contains(QStringLiteral("owner")));
    EXPECT_FALSE(initial.contains(QStringLiteral("perms"))) << "the attributes column starts shown";
    view.setColumnHidden(view.columnForIdentifier(QStringLiteral("kol_owner")), false);
    EXPECT_FALSE(view.hiddenColumnsForLoading().contains(QStringLiteral("owner")));
    view.setColumnHidden(view.columnForIdentifier(QStringLiteral("kol_owner")), true);
    EXPECT_TRUE(view.hiddenColumnsForLoading().contains(QStringLiteral("owner")));
    view.setColumnHidden(view.columnForIdentifier(QStringLiteral("kol_ext")), true);
    EXPECT_EQ(view.hiddenColumnsForLoading(), initial) << "columns without lazy values never count";
}

TEST_F(FilesTableViewTest, HidingTheExtensionColumnShowsFullNames)
{
    MivFilesTableDataController model;
    MivFilesTableView view;
    view.setDataController(&model);
    EXPECT_EQ(view.nameBindingKey(), QStringLiteral("displayName"));
    const QVariantMap hideExt{{"cols", QVariantMap{{"kol_ext", QVariantMap{{"idx", 1}, {"wdh", 50.0}, {"hdn", true}}}}}};
    view.applyConfiguration(hideExt, nullptr);
    EXPECT_EQ(view.nameBindingKey(), QStringLiteral("displayName")) << "without a list model the binding stays";
    view.setColumnHidden(view.columnForIdentifier("kol_ext"), false);
    view.applyConfiguration(hideExt, &model);
    EXPECT_EQ(view.nameBindingKey(), QStringLiteral("name"));
}

} // namespace
