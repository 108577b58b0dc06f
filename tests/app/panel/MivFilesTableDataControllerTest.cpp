#include "ListModelTestSupport.h"

#include "app/panel/MivFilteSearchData.h"
#include "app/settings/MivContext.h"
#include "platform/Error.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <atomic>
#include <thread>

namespace {

using mivtest::ListModelTest;
using Comparison = plat::SortDescriptor::Comparison;

const plat::SortDescriptor kNameUp{"name", true, Comparison::LocalizedStandard};
const plat::SortDescriptor kNameDown{"name", false, Comparison::LocalizedStandard};
const plat::SortDescriptor kSizeDown{"size", false, Comparison::Default};

class MivFilesTableDataControllerTest : public ListModelTest
{
protected:
    void SetUp() override
    {
        ListModelTest::SetUp();
        MivContext::context()->setFoldersFirst(true);
        makeFolder(QStringLiteral("docs"), 1);
        makeFile(QStringLiteral("ABc.txt"), 10, 1);
        makeFile(QStringLiteral("cab"), 30, 2);
        makeFile(QStringLiteral("notes.txt"), 20, 3);
        makeFile(QStringLiteral("Café.md"), 40, 4);
        makeFile(QStringLiteral("résumé.pdf"), 50, 5);
    }

    // A model showing the fixture folder sorted by name.
    void fill(MivFilesTableDataController& model)
    {
        model.setSortDescriptors({kNameUp});
        model.setFiles(list());
        settle(model);
    }
};

TEST_F(MivFilesTableDataControllerTest, ShowsTheListingSortedThroughModelResets)
{
    MivFilesTableDataController model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    fill(model);
    EXPECT_EQ(names(model.dataObjects()), (QStringList{"..", "docs", "ABc.txt", "cab", "Café.md", "notes.txt", "résumé.pdf"}));
    EXPECT_EQ(model.rowCount(), 7);
    EXPECT_EQ(model.data(model.index(2, 0)).toString(), QStringLiteral("ABc.txt"));
    EXPECT_EQ(model.data(model.index(2, MivFilesTableDataController::columnForId("kol_size"))).toLongLong(), 10);
    EXPECT_EQ(model.data(model.index(2, 0), MivFilesTableDataController::FileDataRole).value<MivFileDataPtr>(),
              model.dataObjectAtIndex(2));

    model.setSortDescriptors({kSizeDown});
    settle(model);
    EXPECT_EQ(names(model.dataObjects()), (QStringList{"..", "docs", "résumé.pdf", "Café.md", "cab", "notes.txt", "ABc.txt"}));
    EXPECT_GE(resets.size(), 2);
}

TEST_F(MivFilesTableDataControllerTest, FocusFollowsItsItemAcrossAReSort)
{
    MivFilesTableDataController model;
    fill(model);
    ASSERT_TRUE(model.setSelectedObject(model.dataObjectAtIndex(3)));  // "cab"
    QSignalSpy moved(&model, &MivFilesTableDataController::selectionIndexChanged);

    model.setSortDescriptors({kNameDown});
    settle(model);
    ASSERT_EQ(model.selectedObject()->name(), QStringLiteral("cab"));
    EXPECT_EQ(model.dataObjectAtIndex(model.selectionIndex()), model.selectedObject());
    EXPECT_EQ(model.selectionIndex(), 5);  // .., docs, résumé, notes, Café, cab
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(moved.last().at(0).toInt(), 5);

    // Filtered out: the focus keeps its row position, clamped to the rows left.
    MivFilteSearchData txt(QStringLiteral("txt"), MivFilteSearchData::EndsWith);
    ASSERT_TRUE(model.applyFilterRequest(&txt));
    settle(model);
    EXPECT_EQ(names(model.dataObjects()), (QStringList{"notes.txt", "ABc.txt"}));
    EXPECT_EQ(model.selectionIndex(), 1);
    EXPECT_EQ(model.selectedObject()->name(), QStringLiteral("ABc.txt"));
}

TEST_F(MivFilesTableDataControllerTest, FilterRequestsNarrowTheRowsAndARefusedOneKeepsThem)
{
    MivFilesTableDataController model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    fill(model);

    MivFilteSearchData starts(QStringLiteral("ab"), MivFilteSearchData::BeginsWith);
    ASSERT_TRUE(model.applyFilterRequest(&starts));
    settle(model);
    EXPECT_EQ(names(model.dataObjects()), QStringList{"ABc.txt"});
    const auto inForce = model.filterPredicate();

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    plat::Error error;
    MivFilteSearchData invalid(QStringLiteral("(["), MivFilteSearchData::RegExpMatches);
    EXPECT_FALSE(model.applyFilterRequest(&invalid, &error));
    EXPECT_EQ(error.code(), 2048);
    EXPECT_FALSE(model.hasPendingArrangement());
    EXPECT_EQ(model.filterPredicate(), inForce);
    EXPECT_EQ(names(model.dataObjects()), QStringList{"ABc.txt"});
    EXPECT_TRUE(resets.isEmpty());

    MivFilteSearchData empty(QString(), MivFilteSearchData::Contains);
    ASSERT_TRUE(model.applyFilterRequest(&empty));
    settle(model);
    EXPECT_EQ(model.dataObjectsCount(), 7);
    EXPECT_EQ(model.filterPredicate(), nullptr);
}

TEST_F(MivFilesTableDataControllerTest, PathKeyIndexFindsListedItemsFilteredOrNot)
{
    MivFilesTableDataController model;
    fill(model);
    MivFilteSearchData md(QStringLiteral("*.md"), MivFilteSearchData::WildcardMatches);
    ASSERT_TRUE(model.applyFilterRequest(&md));
    settle(model);
    ASSERT_EQ(names(model.dataObjects()), QStringList{"Café.md"});

    const QList<MivFileDataPtr> all = model.files();
    ASSERT_EQ(all.size(), 7);
    for (const auto& item : all) {
        if (item->pathKey().isEmpty())
            continue;
        EXPECT_EQ(model.dataObjectForPathKey(item->pathKey()), item) << item->name().toStdString();
    }
    EXPECT_EQ(model.dataObjectForPathKey(path(QStringLiteral("missing"))), nullptr);

    // An equal item made afresh finds the row of the listed one.
    const MivFileDataPtr fresh = MivFileDataManager::makeFreshInstanceForString(path(QStringLiteral("Café.md")), true);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(model.indexOfDataObject(fresh), 0);
    const MivFileDataPtr hidden = MivFileDataManager::makeFreshInstanceForString(path(QStringLiteral("cab")), true);
    EXPECT_EQ(model.indexOfDataObject(hidden), MivFilesTableDataController::kNotFound);
    EXPECT_EQ(model.indexOfDataObject(nullptr), MivFilesTableDataController::kNotFound);
}

// The path index is made beside the sort, by the rows' places before it:
// after the order is applied every key must lead to its row on screen, and a
// key listed twice to the first of its rows there.
TEST_F(MivFilesTableDataControllerTest, PathKeyIndexFollowsTheOrderAndPrefersTheFirstRowShown)
{
    MivFilesTableDataController model;
    model.setSortDescriptors({kNameDown});
    settle(model);
    QList<MivFileDataPtr> items = list(false);
    // Listed after the real "cab" under the same path, but shown before it.
    const MivFileDataPtr twin = MivFileDataManager::makeFreshInstanceForString(path(QStringLiteral("cab")), true);
    ASSERT_TRUE(twin);
    twin->updateName(QStringLiteral("zzz"));
    ASSERT_EQ(twin->pathKey(), path(QStringLiteral("cab")));
    items.append(twin);

    const MivFilesArrangementPtr arranged = model.arrangeObjects(items);
    ASSERT_EQ(names(arranged->objects()), (QStringList{"docs", "zzz", "résumé.pdf", "notes.txt", "Café.md", "cab", "ABc.txt"}));
    for (qsizetype row = 0; row < arranged->count(); ++row) {
        const MivFileDataPtr& item = arranged->at(row);
        const qsizetype expected = item->name() == QLatin1String("cab") ? 1 : row;
        EXPECT_EQ(arranged->indexOfPathKey(item->pathKey()), expected) << item->name().toStdString();
    }
    EXPECT_EQ(arranged->contentForPathKey(path(QStringLiteral("cab"))), twin);
}

TEST_F(MivFilesTableDataControllerTest, LookupsByIndexAndNamePattern)
{
    MivFilesTableDataController model;
    fill(model);
    // .., docs, ABc.txt, cab, Café.md, notes.txt, résumé.pdf
    EXPECT_EQ(model.dataObjectAtIndex(MivFilesTableDataController::kNotFound), nullptr);
    EXPECT_EQ(model.dataObjectAtIndex(model.dataObjectsCount()), nullptr);

    // Whole names, case-sensitive, diacritics ignored.
    EXPECT_EQ(model.indexesOfObjectsMatchingNamePattern(QStringLiteral("ca.*")), (QList<int>{3}));
    EXPECT_EQ(model.indexesOfObjectsMatchingNamePattern(QStringLiteral("Cafe\\.md")), (QList<int>{4}));
    EXPECT_TRUE(model.indexesOfObjectsMatchingNamePattern(QStringLiteral("cafe\\.md")).isEmpty());
    EXPECT_TRUE(model.indexesOfObjectsMatchingNamePattern(QStringLiteral("ca")).isEmpty());
    EXPECT_EQ(names(model.dataObjectsMatchingNamePattern(QStringLiteral("resume\\.pdf"))), QStringList{"résumé.pdf"});
    EXPECT_TRUE(model.indexesOfObjectsMatchingNamePattern(QStringLiteral("([")).isEmpty());

    // Type-to-select: from the reference index on, then wrapping to ≤ −index.
    EXPECT_EQ(model.indexOfObjectMatchingNamePattern(QStringLiteral("c.*"), 0), 3);
    EXPECT_EQ(model.indexOfObjectMatchingNamePattern(QStringLiteral("c.*"), 4), 4);
    EXPECT_EQ(model.indexOfObjectMatchingNamePattern(QStringLiteral("c.*"), 5), MivFilesTableDataController::kNotFound);
    EXPECT_EQ(model.indexOfObjectMatchingNamePattern(QStringLiteral("c.*"), -5), 3);
    EXPECT_EQ(model.indexOfObjectMatchingNamePattern(QStringLiteral("c.*"), -2), MivFilesTableDataController::kNotFound);
}

TEST_F(MivFilesTableDataControllerTest, BlockedModelDropsRearrangingUntilTheLastUnblock)
{
    MivFilesTableDataController model;
    fill(model);
    model.setBlockArrange(true);
    model.setBlockArrange(true);
    model.setBlockArrange(false);
    EXPECT_TRUE(model.blockArrange());
    model.rearrangeObjects();
    EXPECT_FALSE(model.hasPendingArrangement());
    model.setBlockArrange(false);
    EXPECT_FALSE(model.blockArrange());
    model.setBlockArrange(false);  // unpaired: ignored
    model.setBlockArrange(true);
    EXPECT_TRUE(model.blockArrange());
    model.setBlockArrange(false);
    model.rearrangeObjects();
    EXPECT_TRUE(model.hasPendingArrangement());
    settle(model);
}

TEST_F(MivFilesTableDataControllerTest, ArrangementMadeUnderAnOldOrderIsArrangedAgain)
{
    MivFilesTableDataController model;
    fill(model);
    // A worker arranged the listing, then the user chose another column
    // before the GUI thread showed it.
    const MivFilesArrangementPtr early = model.arrangeObjects(list());
    model.setSortDescriptors({kSizeDown});
    settle(model);
    model.setFiles(early);
    settle(model);
    EXPECT_EQ(names(model.dataObjects()), (QStringList{"..", "docs", "résumé.pdf", "Café.md", "cab", "notes.txt", "ABc.txt"}));
}

TEST_F(MivFilesTableDataControllerTest, NewerContentWinsOverAnOlderPendingOne)
{
    MivFilesTableDataController model;
    fill(model);
    QList<MivFileDataPtr> older = list();
    older.removeLast();
    model.setFiles(older);
    model.setFiles(list(false));
    settle(model);
    EXPECT_EQ(model.dataObjectsCount(), 6);
    EXPECT_FALSE(model.dataObjectAtIndex(0)->isUpFolderData());
}

TEST_F(MivFilesTableDataControllerTest, LookupsFromAWorkerWhileTheGuiThreadSwaps)
{
    MivFilesTableDataController model;
    fill(model);
    const MivFileDataPtr cab = model.dataObjectForPathKey(path(QStringLiteral("cab")));
    ASSERT_TRUE(cab);
    std::atomic<bool> done{false};
    std::atomic<int> inconsistent{0};
    std::thread reader([&] {
        for (int i = 0; i < 3000; ++i) {
            const MivFilesArrangementPtr shown = model.arrangement();
            const qsizetype row = shown->indexOf(cab);
            if (shown->count() != 7 || row < 0 || shown->at(row) != cab
                || model.dataObjectForPathKey(path(QStringLiteral("cab"))) != cab)
                ++inconsistent;
        }
        done = true;
    });
    // Re-sort until the reader has finished, so the two always overlap.
    for (int i = 0; !done.load(); ++i) {
        model.setSortDescriptors({i % 2 ? kNameDown : kSizeDown});
        settle(model);
    }
    reader.join();
    EXPECT_EQ(inconsistent.load(), 0);
}

struct FilterCase
{
    int mode;
    const char* phrase;
    QStringList matching;
};

TEST(MivFilteSearchDataTest, ModesCompareCaseAndDiacriticInsensitively)
{
    const QStringList names = {"ABc.txt", "cab", "notes.txt", "Café.md", "résumé.pdf", "ab1.txt", "axyzb2.txt", "a+b"};
    const FilterCase cases[] = {
        {2002, "ab", {"ABc.txt", "ab1.txt"}},
        {2003, "*.TXT", {"ABc.txt", "notes.txt", "ab1.txt", "axyzb2.txt"}},
        {2003, "a*b?.txt", {"ABc.txt", "ab1.txt", "axyzb2.txt"}},
        {2003, "?b*", {"ABc.txt", "ab1.txt"}},
        {2001, "cafe", {"Café.md"}},
        {2001, "É", {"notes.txt", "Café.md", "résumé.pdf"}},
        {2001, "+", {"a+b"}},
        {2004, "PDF", {"résumé.pdf"}},
        {2004, "txt", {"ABc.txt", "notes.txt", "ab1.txt", "axyzb2.txt"}},
        {2000, "RESUME\\.PDF", {"résumé.pdf"}},
        {2000, "ab", {}},
        {2000, "a.b", {"a+b"}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.mode).arg(QString::fromUtf8(c.phrase)).toStdString());
        const MivFilteSearchData request(QString::fromUtf8(c.phrase), c.mode);
        EXPECT_FALSE(request.isRefused());
        const auto predicate = request.createPredicateForField(QStringLiteral("self.name"));
        ASSERT_TRUE(predicate);
        QStringList matched;
        for (const QString& name : names) {
            if (predicate->evaluate(name))
                matched.append(name);
        }
        EXPECT_EQ(matched, c.matching);
    }
}

TEST(MivFilteSearchDataTest, RequestsWithoutAPredicateAndRefusedOnes)
{
    EXPECT_FALSE(MivFilteSearchData(QString(), 2001).createPredicateForField("self.name"));
    EXPECT_FALSE(MivFilteSearchData(QStringLiteral(""), 2001).createPredicateForField("self.name"));
    EXPECT_FALSE(MivFilteSearchData(QStringLiteral("a"), 1999).createPredicateForField("self.name"));
    EXPECT_FALSE(MivFilteSearchData(QStringLiteral("a"), 2005).createPredicateForField("self.name"));

    plat::Error error;
    const MivFilteSearchData invalid(QStringLiteral("a(b"), 2000);
    EXPECT_TRUE(invalid.isRefused(&error));
    EXPECT_EQ(error.code(), 2048);
    EXPECT_FALSE(invalid.createPredicateForField("self.name"));
    // The same text is harmless in the literal modes.
    EXPECT_FALSE(MivFilteSearchData(QStringLiteral("a(b"), 2001).isRefused());
    EXPECT_TRUE(MivFilteSearchData(QStringLiteral("a(b"), 2001).createPredicateForField("self.name")->evaluate(QStringLiteral("xa(by")));

    EXPECT_EQ(MivFilteSearchData::wildcardPattern(QStringLiteral("a*b?.txt")), QStringLiteral("^a.*?b.\\.txt$"));
}

TEST(MivFilteSearchDataTest, EqualityNeedsAPhraseAndTheSameMode)
{
    const MivFilteSearchData a(QStringLiteral("x"), 2001);
    const MivFilteSearchData b(QStringLiteral("x"), 2001);
    const MivFilteSearchData c(QStringLiteral("x"), 2002);
    const MivFilteSearchData none(QString(), 2001);
    const MivFilteSearchData none2(QString(), 2001);
    EXPECT_TRUE(a.isEqual(&b));
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_FALSE(a.isEqual(&c));
    EXPECT_FALSE(none.isEqual(&none2));
    EXPECT_TRUE(none.isEqual(&none));
    EXPECT_FALSE(a.isEqual(nullptr));
}

} // namespace
