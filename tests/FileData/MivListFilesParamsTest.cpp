#include "FileData/MivFileData.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/PermsData.h"
#include "FileData/SizeCounter.h"

#include <QObject>

#include <gtest/gtest.h>

namespace {

TEST(MivListFilesParamsTest, ValuesAfterConstruction)
{
    const plat::SortDescriptor byName{QStringLiteral("name"), true, plat::SortDescriptor::Comparison::LocalizedStandard};
    for (const bool hidden : {false, true}) {
        const MivListFilesParams params(byName, hidden);
        EXPECT_EQ(params.hidden(), hidden);
        EXPECT_TRUE(params.includeFiles());
        EXPECT_FALSE(params.onlyURLs());
        EXPECT_FALSE(params.flat());
        EXPECT_FALSE(params.flatResolvingSupported());
        EXPECT_EQ(params.sort(), byName);
        EXPECT_EQ(params.panel(), nullptr);
    }
    EXPECT_FALSE(MivListFilesParams(std::nullopt, false).sort().has_value());
}

// A back-end that ignores flat leaves the flag NO; one that flattens reports
// it through the parameters it was handed.
class FlatteningItem : public MivFileData
{
public:
    bool listElementsToArray(QList<MivFileDataPtr>&, const MivListFilesParams& params, const MivFileCallback&,
                             plat::Error*) override
    {
        params.setFlatResolvingSupported(true);
        return true;
    }
};

TEST(MivListFilesParamsTest, BackEndReportsFlatListing)
{
    MivListFilesParams params(std::nullopt, false);
    params.setFlat(true);
    QList<MivFileDataPtr> array;
    MivFileData().listElementsToArray(array, params, {}, nullptr);
    EXPECT_FALSE(params.flatResolvingSupported());
    FlatteningItem().listElementsToArray(array, params, {}, nullptr);
    EXPECT_TRUE(params.flatResolvingSupported());
}

TEST(MivListFilesParamsTest, PanelIsNotOwned)
{
    MivListFilesParams params(std::nullopt, false);
    {
        QObject panel;
        params.setPanel(&panel);
        EXPECT_EQ(params.panel(), &panel);
    }
    EXPECT_EQ(params.panel(), nullptr) << "a gone panel reads as none, never as a dangling pointer";
}

PermsData snapshotWith(std::optional<qint64> mode)
{
    MivFileData item;
    item.setPosix(mode);
    return PermsData(item);
}

TEST(PermsDataTest, CompareByMode)
{
    struct Row
    {
        std::optional<qint64> mine;
        std::optional<qint64> theirs;
        std::weak_ordering expected;
    };
    const Row table[] = {
        {std::nullopt, 0644, std::weak_ordering::less},
        {0644, std::nullopt, std::weak_ordering::greater},
        {std::nullopt, std::nullopt, std::weak_ordering::equivalent},
        {0644, 0755, std::weak_ordering::less},
        {0755, 0644, std::weak_ordering::greater},
        {0700, 0700, std::weak_ordering::equivalent},
    };
    for (const auto& row : table) {
        const PermsData mine = snapshotWith(row.mine);
        const PermsData theirs = snapshotWith(row.theirs);
        EXPECT_TRUE(mine.compare(theirs) == row.expected)
            << (row.mine ? *row.mine : -1) << " vs " << (row.theirs ? *row.theirs : -1);
    }
    const PermsData self = snapshotWith(std::nullopt);
    EXPECT_TRUE(self.compare(self) == std::weak_ordering::equivalent);
}

TEST(PermsDataTest, SnapshotAndCopy)
{
    struct FolderLink : MivFileData
    {
        bool folder() const override { return true; }
    } item;
    item.setPosix(040755);
    item.setLinkPath(QStringLiteral("/elsewhere"));
    PermsData snapshot(item);
    item.setPosix(040700);
    EXPECT_EQ(snapshot.posix(), 040755) << "the mode at the moment of the snapshot";
    EXPECT_TRUE(snapshot.folder());
    EXPECT_EQ(snapshot.linkPath(), "/elsewhere");
    EXPECT_TRUE(snapshot.stringRep().isEmpty());

    snapshot.setStringRep(QStringLiteral("drwxr-xr-x"));
    const PermsDataPtr copy = snapshot.copy();
    EXPECT_EQ(copy->posix(), 040755);
    EXPECT_TRUE(copy->folder());
    EXPECT_EQ(copy->linkPath(), "/elsewhere");
    EXPECT_TRUE(copy->stringRep().isEmpty()) << "the cached text is not copied";
}

TEST(SizeCounterTest, HoldsItsItemAndStartsAtZero)
{
    std::weak_ptr<MivFileData> weakItem;
    std::unique_ptr<SizeCounter> counter;
    {
        auto item = std::make_shared<MivFileData>();
        weakItem = item;
        counter = std::make_unique<SizeCounter>(item);
    }
    EXPECT_FALSE(weakItem.expired()) << "the counter owns its item";
    EXPECT_EQ(counter->data(), weakItem.lock());
    EXPECT_EQ(counter->localSize(), 0);
    counter->setLocalSize(counter->localSize() + 4096);
    counter->setLocalSize(counter->localSize() + 1);
    EXPECT_EQ(counter->localSize(), 4097);
}

} // namespace
