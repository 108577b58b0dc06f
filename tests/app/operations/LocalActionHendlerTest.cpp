#include "FileData/Local/LocalTestFolder.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "OperationTestSupport.h"
#include "app/operations/IMivOperationStep.h"
#include "app/operations/LocalActionHendler.h"
#include "support/MemoryFileData.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using localtest::LocalFolderTest;
using optest::RecordWithDelegate;

class CountingStep : public IMivOperationStep
{
public:
    std::atomic<int> cancels{0};
    void cancel() override { ++cancels; }
};

class WaiterTest : public LocalFolderTest
{
protected:
    // A link operation: it starts on this thread without a size pass.
    RecordWithDelegate startedOperation(LocalActionHendler& waiter, const QList<MivFileDataPtr>& sources)
    {
        RecordWithDelegate fixture;
        fixture.record->setOperation(MivFileOperationData::kSymbolicLink);
        fixture.record->setSource(sources);
        fixture.record->setDest(item(m_dir.path()));
        waiter.startOperation(fixture.record);
        return fixture;
    }
};

TEST_F(WaiterTest, StartsTheOperationAsALocalActionWithoutAttributes)
{
    LocalActionHendler waiter;
    waiter.setOperationName(QStringLiteral("Fetching archive"));
    const auto fixture = startedOperation(waiter, {mivtest::MemoryFileData::create(QStringLiteral("a"))});
    EXPECT_TRUE(fixture.record->started());
    EXPECT_FALSE(fixture.record->copyAttributes());
    EXPECT_TRUE(fixture.record->localAction());
    EXPECT_EQ(fixture.record->operationString(), QStringLiteral("Fetching archive"));
    EXPECT_FALSE(waiter.complete());

    fixture.record->setPaused(true);
    waiter.didAsyncOperationStarted(fixture.record);
    EXPECT_FALSE(fixture.record->paused());
}

TEST_F(WaiterTest, CompletesAfterTheLastSourceAndGivesTheReportedItem)
{
    LocalActionHendler waiter;
    const auto fixture = startedOperation(waiter, {mivtest::MemoryFileData::create(QStringLiteral("a")),
                                                   mivtest::MemoryFileData::create(QStringLiteral("b"))});
    write(path(QStringLiteral("made")), "x");
    const MivFileDataPtr made = item(path(QStringLiteral("made")));
    fixture.record->destContext()->setValue(QStringLiteral("destination"), QVariant::fromValue(made));

    waiter.didAsyncOperationComplete(fixture.record);
    EXPECT_FALSE(waiter.complete());
    waiter.didAsyncOperationComplete(fixture.record);
    EXPECT_TRUE(waiter.complete());
    EXPECT_EQ(waiter.getResult(), made);
}

TEST_F(WaiterTest, FallsBackToTheChildNamedAfterTheDestinationPath)
{
    write(path(QStringLiteral("a")), "source");
    LocalActionHendler waiter;
    const auto fixture = startedOperation(waiter, {item(path(QStringLiteral("a")))});
    waiter.didAsyncOperationComplete(fixture.record);
    // The destination folder holds "a" itself: it is the result.
    ASSERT_NE(waiter.getResult(), nullptr);
    EXPECT_EQ(waiter.getResult()->name(), QStringLiteral("a"));

    LocalActionHendler nothing;
    const auto other = startedOperation(nothing, {mivtest::MemoryFileData::create(QStringLiteral("never-made"))});
    nothing.didAsyncOperationComplete(other.record);
    EXPECT_EQ(nothing.getResult(), nullptr);
}

TEST_F(WaiterTest, CancelsOnceAndRefreshEndsTheWait)
{
    LocalActionHendler waiter;
    waiter.cancel(); // nothing started yet
    const auto fixture = startedOperation(waiter, {mivtest::MemoryFileData::create(QStringLiteral("a"))});
    const auto step = std::make_shared<CountingStep>();
    fixture.record->setProcessor(step);
    waiter.cancel();
    waiter.cancel();
    EXPECT_EQ(step->cancels.load(), 1);
    EXPECT_TRUE(fixture.record->finished());

    const auto dest = fixture.record->dest();
    dest->setBlocked(true);
    waiter.refreshDataAfterOperation(fixture.record);
    EXPECT_TRUE(waiter.complete());
    EXPECT_FALSE(dest->blocked());
}

} // namespace
