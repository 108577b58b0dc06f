#include "FilesTableTestSupport.h"

#include "FileData/MivSimpleFileData.h"
#include "app/files-table/MivFilesTableColumnsHandler.h"
#include "app/files-table/MivFilesTableHeaderView.h"
#include "platform/NotificationCenter.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace tabletest;

namespace {

// An item that records which sort keys it was asked to refresh for, and
// answers that each needs the listing again.
class SortProbe : public MivSimpleFileData
{
public:
    explicit SortProbe(const QString& name) { setName(name); }
    bool refreshForSortDescriptor(const std::optional<plat::SortDescriptor>& d) override
    {
        asked << (d ? d->key : QString());
        return true;
    }
    QStringList asked;
};

class FilesTableColumnsHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        view.setDataController(&model);
        // Every notification for the container goes to the panel's log,
        // so the order against the panel's own calls shows.
        for (const QString& name :
             {MivFilesTableColumnsHandler::kColumnMovedNotification, MivFilesTableColumnsHandler::kColumnResizedNotification,
              MivFilesTableColumnsHandler::kColumnHiddenNotification, MivFilesTableColumnsHandler::kSortChangedNotification})
            tokens.push_back(plat::NotificationCenter::defaultCenter().observe(
                name, &panel.container, [this](const plat::Notification& n) { panel.log << n.name; }));
    }
    void TearDown() override { MivContext::resetForTesting(); }

    QList<QAction*> menuItems(QMenu& menu) { return menu.actions(); }
    QAction* itemFor(QMenu& menu, const QString& id)
    {
        for (QAction* item : menu.actions())
            if (item->data().toString() == id)
                return item;
        return nullptr;
    }

    MivFilesTableDataController model;
    MivFilesTableView view;
    RecordingPanel panel;
    MivFilesTableColumnsHandler handler{&view, &panel};
    std::vector<plat::NotificationToken> tokens;
};

TEST_F(FilesTableColumnsHandlerTest, TheMenuListsColumnsInOrderWithoutUnderscoreTitles)
{
    view.setColumnTitle(QStringLiteral("kol_kind"), QStringLiteral("  _Kind\n"));
    view.filesHeader()->moveSection(view.filesHeader()->visualIndex(view.columnForIdentifier("kol_size")), 0);
    std::unique_ptr<QMenu> menu(view.filesHeader()->menuForEvent(nullptr));
    QStringList ids;
    for (QAction* item : menu->actions()) {
        ids << item->data().toString();
        EXPECT_EQ(item->isChecked(), !view.isColumnHidden(view.columnForIdentifier(item->data().toString())));
    }
    EXPECT_FALSE(ids.contains(QStringLiteral("kol_kind")));
    EXPECT_EQ(ids.size(), 11);
    EXPECT_EQ(ids.first(), QStringLiteral("kol_size"));
    EXPECT_TRUE(menu->title().isEmpty());
}

TEST_F(FilesTableColumnsHandlerTest, HidingPostsWithoutReloadingAndShowingReloadsFirst)
{
    std::unique_ptr<QMenu> menu(view.filesHeader()->menuForEvent(nullptr));
    itemFor(*menu, QStringLiteral("kol_date"))->trigger();
    EXPECT_TRUE(view.isColumnHidden(view.columnForIdentifier("kol_date")));
    EXPECT_EQ(panel.log, QStringList({"resolveHidden", "FilesTableColumnHidden"}));

    panel.log.clear();
    itemFor(*menu, QStringLiteral("kol_owner"))->trigger();
    EXPECT_FALSE(view.isColumnHidden(view.columnForIdentifier("kol_owner")));
    EXPECT_EQ(panel.log, QStringList({"resolveHidden", "reloadPanel", "FilesTableColumnHidden"}));

    panel.log.clear();
    itemFor(*menu, QStringLiteral("kol_ext"))->trigger();
    EXPECT_EQ(panel.log, QStringList({"updateColumnBindings", "resolveHidden", "FilesTableColumnHidden"}));

    // Without a tab container the column still flips, and nothing is posted.
    panel.log.clear();
    panel.hasContainer = false;
    itemFor(*menu, QStringLiteral("kol_owner"))->trigger();
    EXPECT_TRUE(view.isColumnHidden(view.columnForIdentifier("kol_owner")));
    EXPECT_EQ(panel.log, QStringList({"resolveHidden"}));
}

TEST_F(FilesTableColumnsHandlerTest, ColumnChangesPostNothingWhileSynchronizing)
{
    panel.synchronizing = true;
    view.applyConfiguration(view.columnConfiguration(), &model);
    view.filesHeader()->resizeSection(0, 222);
    view.filesHeader()->moveSection(0, 2);
    EXPECT_TRUE(panel.log.isEmpty()) << panel.log.join(",").toStdString();

    panel.synchronizing = false;
    view.filesHeader()->resizeSection(0, 223);
    view.filesHeader()->moveSection(2, 0);
    EXPECT_EQ(panel.log, QStringList({"FilesTableColumnResized", "FilesTableColumnMoved"}));
}

TEST_F(FilesTableColumnsHandlerTest, ANewDirectionNeverReloadsANewKeyMay)
{
    auto up = std::make_shared<SortProbe>(QStringLiteral(".."));
    auto first = std::make_shared<SortProbe>(QStringLiteral("a"));
    auto second = std::make_shared<SortProbe>(QStringLiteral("b"));
    showItems(model, {up, first, second});
    view.show();
    const MivFileDataPtr rowOne = model.dataObjectAtIndex(1);
    auto* probe = static_cast<SortProbe*>(rowOne.get());
    const auto clickHeader = [&](const QString& id) {
        const int column = view.columnForIdentifier(id);
        QHeaderView* header = view.filesHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };

    panel.log.clear();
    clickHeader(QStringLiteral("kol_size"));
    EXPECT_EQ(view.sortData()->key, QStringLiteral("size"));
    EXPECT_EQ(probe->asked, QStringList({"size"}));
    EXPECT_EQ(panel.log,
              QStringList({"sortDescriptorUpdated:size", "refreshPanel", "FilesTableSortChangedNotification"}));

    // The same column again: only the direction flips.
    panel.log.clear();
    probe->asked.clear();
    const bool wasAscending = view.sortData()->ascending;
    clickHeader(QStringLiteral("kol_size"));
    EXPECT_EQ(view.sortData()->ascending, !wasAscending);
    EXPECT_TRUE(probe->asked.isEmpty());
    EXPECT_EQ(panel.log, QStringList({"sortDescriptorUpdated:size", "FilesTableSortChangedNotification"}));

    // An inactive panel does not move the menu's marks; a synchronizing one posts nothing.
    panel.log.clear();
    panel.active = false;
    panel.synchronizing = true;
    clickHeader(QStringLiteral("kol_date"));
    EXPECT_EQ(panel.log, QStringList({"refreshPanel"}));
}

} // namespace
