#include "app/dialogs/MivProcessInfoWindowController.h"

#include "FileData/MivExec.h"
#include "app/dialogs/MivProcessInfoDataSource.h"
#include "support/ManualTimerSource.h"
#include "support/WaitUntil.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

// Work that runs until the test releases it, and a fixed say on cancelling.
class GatedWork : public MivProcessInfoDataSource
{
public:
    std::atomic<bool> released{false};
    std::atomic<bool> started{false};
    std::atomic<int> runs{0};
    bool allowCancel = true;
    int cancelAsked = 0;
    QVariant seenData;

    void processWithData(const QVariant& data) override
    {
        seenData = data;
        started = true;
        while (!released)
            std::this_thread::sleep_for(1ms);
        ++runs;
    }
    bool processCancel(const QVariant&) override
    {
        ++cancelAsked;
        return allowCancel;
    }
};

class ProcessInfo : public ::testing::Test
{
protected:
    ProcessInfo()
        : owned(std::make_unique<MivProcessInfoWindowController>(QStringLiteral("test"))), dialog(*owned)
    {
        dialog.setDataSource(&work);
        dialog.setContextData(QStringLiteral("upload"));
        dialog.setShowTime(2.0);
        dialog.setMessageText(QStringLiteral("Synchronizing changes with remote file ..."));
    }

    ~ProcessInfo() override { work.released = true; }

    // Once the show delay passed (from inside start()'s wait), runs the step
    // with the window on screen.
    void whenShown(std::function<void()> step)
    {
        MivExec::runAsyncOnMainThread([this] { timers.advance(2000ms); });
        MivExec::runAsyncOnMainThread([this, step] {
            ASSERT_TRUE(mivtest::waitUntil([this] { return dialog.isWindowLoaded() && dialog.window()->isVisible(); }));
            shown = true;
            step();
        });
    }

    mivtest::ManualTimerSource timers;
    GatedWork work;
    std::unique_ptr<MivProcessInfoWindowController> owned;
    MivProcessInfoWindowController& dialog;
    bool shown = false;
};

TEST_F(ProcessInfo, WorkWithinTheShowDelayNeverShowsTheWindow)
{
    work.released = true;
    dialog.start();
    EXPECT_EQ(dialog.result(), MivModalWindowController::kResponseStop);
    EXPECT_FALSE(dialog.aborted());
    EXPECT_EQ(work.runs, 1);
    EXPECT_EQ(work.seenData, QVariant(QStringLiteral("upload")));
    EXPECT_FALSE(dialog.isWindowLoaded() && dialog.window()->isVisible());
    // The show timer was dropped with the result.
    timers.advance(5000ms);
    EXPECT_FALSE(dialog.isWindowLoaded() && dialog.window()->isVisible());
}

TEST_F(ProcessInfo, LongWorkShowsTheWindowUntilItEnds)
{
    whenShown([this] {
        EXPECT_EQ(dialog.messageTextField()->text(), QStringLiteral("Synchronizing changes with remote file ..."));
        work.released = true;
    });
    dialog.start();
    EXPECT_TRUE(shown);
    EXPECT_EQ(dialog.result(), MivModalWindowController::kResponseStop);
    EXPECT_FALSE(dialog.window()->isVisible());
}

TEST_F(ProcessInfo, RefusedCancelLeavesDialogAndWorkRunning)
{
    work.allowCancel = false;
    whenShown([this] {
        dialog.cancelAction();
        EXPECT_EQ(work.cancelAsked, 1);
        // Turns on; the dialog stays.
        mivtest::waitUntil([] { return false; }, 30ms);
        EXPECT_TRUE(dialog.window()->isVisible());
        work.released = true;
    });
    dialog.start();
    EXPECT_EQ(dialog.result(), MivModalWindowController::kResponseStop);
    EXPECT_FALSE(dialog.aborted());
}

TEST_F(ProcessInfo, AgreedCancelEndsWithAbort)
{
    whenShown([this] { dialog.cancelAction(); });
    dialog.start();
    EXPECT_TRUE(shown);
    EXPECT_EQ(work.cancelAsked, 1);
    EXPECT_EQ(dialog.result(), MivModalWindowController::kResponseAbort);
    EXPECT_TRUE(dialog.aborted());
    EXPECT_FALSE(dialog.window()->isVisible());
    // The run ended but the work goes on; the owner may drop the dialog now.
    // The work ends while the destructor waits, and reports to a live dialog.
    EXPECT_EQ(work.runs, 0);
    MivExec::runAsyncOnMainThread([this] { work.released = true; }, true);
    owned.reset();
    EXPECT_EQ(work.runs, 1);
}

TEST_F(ProcessInfo, WithoutTheMainWindowActiveTheWorkRunsInTheBackground)
{
    work.released = true;
    dialog.startWhenKeyWindow(true);
    ASSERT_TRUE(mivtest::waitUntil([this] { return dialog.result() == MivModalWindowController::kResponseStop; }));
    EXPECT_EQ(work.runs, 1);
    EXPECT_EQ(timers.pending(), 0);
}

} // namespace
