#include "ListModelTestSupport.h"

#include "app/panel/MivFilesRowCollector.h"
#include "app/panel/MivFilesSorter.h"
#include "platform/Collator.h"

#include <QFile>

#include <algorithm>
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

namespace {

// Names alike for their first dozens of characters, so the sort cannot
// decide by its key prefixes alone.
class MivFilesSorterLongNamesTest : public mivtest::ListModelTest
{
protected:
    void SetUp() override
    {
        ListModelTest::SetUp();
        const QString stem = QStringLiteral("a-rather-long-common-beginning-of-every-name-");
        for (int i = 0; i < 120; ++i) {
            const QString name = (i % 4 == 0 ? stem.toUpper() : stem) + QString::number(i * 7 % 50) + (i % 3 ? "x" : "") +
                                 QStringLiteral(".txt");
            if (!QFile::exists(path(name)))
                makeFile(name, i % 5, i % 7);
        }
        makeFolder(stem + QStringLiteral("folder-b"), 1);
        makeFolder(stem + QStringLiteral("Folder-a"), 2);
    }
};

TEST_F(MivFilesSorterLongNamesTest, SortAgreesWithTheFullComparison)
{
    using Comparison = plat::SortDescriptor::Comparison;
    const plat::SortDescriptor descriptors[] = {
        {"name", true, Comparison::LocalizedStandard},  {"name", false, Comparison::LocalizedStandard},
        {"name", true, Comparison::Literal},            {"name", false, Comparison::Default},
        {"size", false, Comparison::Default},           {"modificationDate", true, Comparison::Default},
        {"extenssion", true, Comparison::LocalizedStandard},
    };
    for (const bool alwaysByName : {false, true}) {
        MivContext::context()->setFoldersAlwaysByName(alwaysByName);
        for (const auto& descriptor : descriptors) {
            SCOPED_TRACE(descriptor.key.toStdString() + (descriptor.ascending ? " up" : " down"));
            MivFilesSorter sorter = MivFilesSorter::fromSettings();
            sorter.setSortDescriptors({descriptor});
            std::vector<MivFilesSorter::Row> fast = sorter.makeRows(list());
            std::vector<MivFilesSorter::Row> plain = fast;
            sorter.sort(fast);
            std::stable_sort(plain.begin(), plain.end(),
                             [&](const auto& a, const auto& b) { return sorter.lessThan(a, b); });
            ASSERT_EQ(fast.size(), plain.size());
            QStringList fastNames;
            QStringList plainNames;
            for (std::size_t i = 0; i < fast.size(); ++i) {
                fastNames.append(fast[i].item->name());
                plainNames.append(plain[i].item->name());
            }
            EXPECT_EQ(fastNames, plainNames);
            for (std::size_t i = 1; i < fast.size(); ++i)
                EXPECT_FALSE(sorter.lessThan(fast[i], fast[i - 1])) << i;
        }
    }
}

TEST_F(MivFilesSorterLongNamesTest, SortKeysOrderAsTheCollatorCompares)
{
    const QStringList texts = {"file10", "File9", "file9", "Ärger", "arg", "z", "", "ß", "ss", "a-rather-long-x"};
    const plat::Collator& collator = plat::Collator::localizedStandard();
    for (const QString& a : texts) {
        for (const QString& b : texts) {
            const int byKey = collator.sortKey(a).compare(collator.sortKey(b));
            const int byCompare = collator.compare(a, b);
            EXPECT_EQ((byKey > 0) - (byKey < 0), (byCompare > 0) - (byCompare < 0))
                << a.toStdString() << " / " << b.toStdString();
        }
    }
}

TEST_F(MivFilesSorterLongNamesTest, CollectorKeepsTheListingsRowsAndKeysWhatItMissed)
{
    const MivFilesSorter sorter = MivFilesSorter::fromSettings();
    const MivFileDataPtr folder = folderItem();
    MivFilesRowCollector collector(sorter);
    plat::Error error;
    QList<MivFileDataPtr> listed = folder->listElements(true, collector.callback(), &error);
    std::vector<MivFilesSorter::Row> rows = collector.rowsFor(listed);
    ASSERT_EQ(rows.size(), std::size_t(listed.size()));
    for (const auto& row : rows)
        EXPECT_EQ(row.name, sorter.makeRow(row.item).name);

    // The answer lacks one child the callback saw: that row must not come.
    MivFilesRowCollector partial(sorter);
    listed = folder->listElements(true, partial.callback(), &error);
    const MivFileDataPtr dropped = listed.takeLast();
    rows = partial.rowsFor(listed);
    ASSERT_EQ(rows.size(), std::size_t(listed.size()));
    for (const auto& row : rows)
        EXPECT_NE(row.item, dropped);

    // As many items as the callback saw, but one of them another object:
    // the answer's own object shows.
    MivFilesRowCollector swapped(sorter);
    listed = folder->listElements(true, swapped.callback(), &error);
    const MivFileDataPtr replaced = listed.takeFirst();
    const MivFileDataPtr replacement = folder->createChild(replaced->name(), false);
    ASSERT_TRUE(replacement);
    listed.prepend(replacement);
    rows = swapped.rowsFor(listed);
    ASSERT_EQ(rows.size(), std::size_t(listed.size()));
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const auto& row) { return row.item == replacement; }));
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [&](const auto& row) { return row.item == replaced; }));
}

} // namespace
