#include "ListModelTestSupport.h"

#include "app/panel/MivFilesSorter.h"
#include "app/settings/MivContext.h"

namespace {

using mivtest::ListModelTest;
using Comparison = plat::SortDescriptor::Comparison;

class MivFilesSorterTest : public ListModelTest
{
protected:
    void SetUp() override
    {
        ListModelTest::SetUp();
        makeFolder(QStringLiteral("Zeta"), 5);
        makeFolder(QStringLiteral("alpha"), 1);
        makeFolder(QStringLiteral("mid"), 3);
        makeFile(QStringLiteral("file10.txt"), 300, 1);
        makeFile(QStringLiteral("file9.txt"), 100, 3);
        makeFile(QStringLiteral("b.txt"), 100, 2);
        makeFile(QStringLiteral("A.txt"), 200, 4);
    }
};

struct OrderCase
{
    const char* label;
    bool foldersFirst;
    bool foldersAlwaysByName;
    bool caseSensitive;
    std::optional<plat::SortDescriptor> column;
    QStringList expected;
};

TEST_F(MivFilesSorterTest, OrdersRowsBySettingsColumnAndDirection)
{
    const auto by = [](const char* key, bool ascending, Comparison comparison = Comparison::Default) {
        return std::optional<plat::SortDescriptor>(plat::SortDescriptor{QString::fromLatin1(key), ascending, comparison});
    };
    const QStringList folders = {"..", "alpha", "mid", "Zeta"};
    const OrderCase cases[] = {
        {"name ascending", true, false, false, by("name", true, Comparison::LocalizedStandard),
         folders + QStringList{"A.txt", "b.txt", "file9.txt", "file10.txt"}},
        {"name descending: folders reversed too, '..' stays first", true, false, false,
         by("name", false, Comparison::LocalizedStandard),
         {"..", "Zeta", "mid", "alpha", "file10.txt", "file9.txt", "b.txt", "A.txt"}},
        {"size descending: equal sizes by ascending name", true, false, false, by("size", false),
         folders + QStringList{"file10.txt", "A.txt", "b.txt", "file9.txt"}},
        {"size ascending", true, false, false, by("size", true),
         folders + QStringList{"b.txt", "file9.txt", "A.txt", "file10.txt"}},
        {"date descending, folders always by name", true, true, false, by("modificationDate", false),
         folders + QStringList{"A.txt", "file9.txt", "b.txt", "file10.txt"}},
        {"date descending, folders by date", true, false, false, by("modificationDate", false),
         {"..", "Zeta", "mid", "alpha", "A.txt", "file9.txt", "b.txt", "file10.txt"}},
        {"folders mixed with files; equal dates by name", false, false, false, by("modificationDate", true),
         {"..", "alpha", "file10.txt", "b.txt", "file9.txt", "mid", "A.txt", "Zeta"}},
        {"case-sensitive folder names when always by name", true, true, true, by("modificationDate", true),
         {"..", "Zeta", "alpha", "mid", "file10.txt", "b.txt", "file9.txt", "A.txt"}},
        {"literal name column: no numeric order, upper case first", true, false, true,
         by("name", true, Comparison::Literal),
         {"..", "Zeta", "alpha", "mid", "A.txt", "b.txt", "file10.txt", "file9.txt"}},
        {"no column: the name alone", true, false, false, std::nullopt,
         folders + QStringList{"A.txt", "b.txt", "file9.txt", "file10.txt"}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.label);
        const auto context = MivContext::context();
        context->setFoldersFirst(c.foldersFirst);
        context->setFoldersAlwaysByName(c.foldersAlwaysByName);
        context->setCaseSensitiveNameSorting(c.caseSensitive);
        MivFilesSorter sorter = MivFilesSorter::fromSettings();
        sorter.setSortDescriptors(c.column ? QList<plat::SortDescriptor>{*c.column} : QList<plat::SortDescriptor>{});
        std::vector<MivFilesSorter::Row> rows = sorter.makeRows(list());
        sorter.sort(rows);
        QList<MivFileDataPtr> sorted;
        for (const auto& row : rows)
            sorted.append(row.item);
        EXPECT_EQ(names(sorted), c.expected);
    }
}

TEST_F(MivFilesSorterTest, KeepsOnlyTheFirstDescriptorAndAddsTheNameTieBreak)
{
    const plat::SortDescriptor name{"name", true, Comparison::LocalizedStandard};
    const plat::SortDescriptor nameDown{"name", false, Comparison::LocalizedStandard};
    const plat::SortDescriptor sizeUp{"size", true, Comparison::Default};
    const plat::SortDescriptor sizeDown{"size", false, Comparison::Default};
    const struct
    {
        QList<plat::SortDescriptor> given;
        QList<plat::SortDescriptor> inForce;
    } cases[] = {
        {{nameDown, sizeUp}, {nameDown}},
        {{sizeDown, nameDown}, {sizeDown, name}},
        {{}, {name}},
    };
    for (const auto& c : cases) {
        MivFilesSorter sorter;
        sorter.setSortDescriptors(c.given);
        EXPECT_EQ(sorter.sortDescriptors(), c.inForce);
    }
}

TEST_F(MivFilesSorterTest, ResortOrdersGroupsAndKeepsTheListingOrderInside)
{
    MivContext::context()->setFoldersFirst(true);
    const QList<MivFileDataPtr> listed = list();
    const QList<MivFileDataPtr> sorted = MivFilesSorter::fromSettings().resort(listed);
    ASSERT_EQ(sorted.size(), listed.size());
    EXPECT_TRUE(sorted.first()->isUpFolderData());
    // Folders, then files; each group in the order the listing gave.
    QList<MivFileDataPtr> folders;
    QList<MivFileDataPtr> files;
    for (const auto& item : listed.mid(1))
        (item->folder() ? folders : files).append(item);
    EXPECT_EQ(sorted.mid(1), folders + files);
}

} // namespace
