#include "app/dialogs/MivModalWindowController.h"

#include "FileData/MivExec.h"
#include "support/WaitUntil.h"
#include "support/widgets/PresetAlertResponder.h"

#include <QDialogButtonBox>
#include <QMainWindow>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A dialog with OK and Cancel that records its hooks in order.
class RecordingDialog : public MivModalWindowController
{
public:
    QStringList calls;
    bool valid = true;
    int turns = 0;
    std::function<void()> onTurn;

    void initData() override { calls << QStringLiteral("initData"); }
    void processResult(int response) override { calls << QStringLiteral("processResult %1").arg(response); }
    void closeData() override { calls << QStringLiteral("closeData"); }
    void movedToBackground() override { calls << QStringLiteral("movedToBackground"); }
    bool validate() override { return valid; }
    void processInLoop() override
    {
        ++turns;
        if (onTurn)
            onTurn();
    }

protected:
    void loadWindow(QWidget* window) override
    {
        auto* layout = new QVBoxLayout(window);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, window);
        connect(buttons, &QDialogButtonBox::accepted, this, &MivModalWindowController::okAction);
        connect(buttons, &QDialogButtonBox::rejected, this, &MivModalWindowController::cancelAction);
        layout->addWidget(buttons);
    }
};

// Runs the block on a later turn of the loop, from inside the dialog's run.
void later(std::function<void()> block)
{
    MivExec::runAsyncOnMainThread(std::move(block));
}

const QStringList kEndedWithOk{"initData", "processResult -1000", "closeData"};
const QStringList kEndedWithCancel{"initData", "processResult -1001", "closeData"};

TEST(MivModalWindowController, ApplicationModalRunsEndWithTheButtonsCode)
{
    struct Case
    {
        const char* button;
        int response;
        QStringList calls;
    };
    for (const Case& c : {Case{"OK", MivModalWindowController::kResponseStop, kEndedWithOk},
                          Case{"Cancel", MivModalWindowController::kResponseAbort, kEndedWithCancel}}) {
        SCOPED_TRACE(c.button);
        mivtest::PresetAlertResponder responder;
        responder.pressButtonTitled(QString::fromLatin1(c.button));
        RecordingDialog dialog;
        EXPECT_EQ(dialog.showModal(), c.response);
        EXPECT_EQ(dialog.calls, c.calls);
        EXPECT_FALSE(dialog.window()->isVisible());
        EXPECT_EQ(responder.unused(), 0);
        EXPECT_EQ(MivModalWindowController::modalWindow(), nullptr);
    }
}

TEST(MivModalWindowController, StopFromAWorkerThreadEndsWithOk)
{
    RecordingDialog dialog;
    std::thread worker;
    later([&] { worker = std::thread([&] { dialog.stopModal(); }); });
    EXPECT_EQ(dialog.showModal(), MivModalWindowController::kResponseStop);
    worker.join();
    EXPECT_EQ(dialog.calls, kEndedWithOk);
}

TEST(MivModalWindowController, AbortFromAWorkerThreadEndsWithCancel)
{
    RecordingDialog dialog;
    std::thread worker;
    later([&] { worker = std::thread([&] { dialog.abortModal(); }); });
    EXPECT_EQ(dialog.showModal(), MivModalWindowController::kResponseAbort);
    worker.join();
    EXPECT_EQ(dialog.calls, kEndedWithCancel);
}

TEST(MivModalWindowController, ShowModalOnMainThreadFromAWorker)
{
    mivtest::PresetAlertResponder responder;
    responder.pressButtonTitled(QStringLiteral("OK"));
    RecordingDialog dialog;
    std::atomic<bool> returned{false};
    // The worker waits for the GUI thread, so this thread turns its loop
    // until the worker is back instead of joining it.
    std::thread worker([&] {
        dialog.showModalOnMainThread();
        returned = true;
    });
    EXPECT_TRUE(mivtest::waitUntil([&] { return returned.load(); }));
    if (!returned) {
        dialog.abortModal();
        mivtest::waitUntil([&] { return returned.load(); });
    }
    worker.join();
    EXPECT_EQ(dialog.calls, kEndedWithOk);
    EXPECT_EQ(responder.unused(), 0);
    EXPECT_FALSE(dialog.window()->isVisible());
    EXPECT_EQ(MivModalWindowController::modalWindow(), nullptr);
}

TEST(MivModalWindowController, ClosingTheWindowCancels)
{
    RecordingDialog dialog;
    later([&] { dialog.window()->close(); });
    EXPECT_EQ(dialog.showModal(), MivModalWindowController::kResponseAbort);
    EXPECT_EQ(dialog.calls, kEndedWithCancel);
    EXPECT_FALSE(dialog.window()->isVisible());
}

TEST(MivModalWindowController, OkThatDoesNotValidateLeavesTheDialogOpen)
{
    RecordingDialog dialog;
    dialog.valid = false;
    later([&] {
        dialog.okAction();
        later([&] {
            // Still running: the invalid OK changed nothing.
            EXPECT_TRUE(dialog.window()->isVisible());
            EXPECT_EQ(MivModalWindowController::modalWindow(), dialog.window());
            dialog.cancelAction();
        });
    });
    EXPECT_EQ(dialog.showModal(), MivModalWindowController::kResponseAbort);
    EXPECT_EQ(dialog.calls, kEndedWithCancel);
}

TEST(MivModalWindowController, ASecondRunOfALoadedDialogGetsNoSecondInitData)
{
    RecordingDialog dialog;
    later([&] { dialog.stopModal(); });
    dialog.showModal();
    dialog.calls.clear();
    later([&] { dialog.stopModal(); });
    EXPECT_EQ(dialog.showModal(), MivModalWindowController::kResponseStop);
    EXPECT_EQ(dialog.calls, (QStringList{"processResult -1000", "closeData"}));
}

TEST(MivModalWindowController, SheetOfAParentEndsWithOk)
{
    QMainWindow parent;
    parent.show();
    mivtest::PresetAlertResponder responder;
    responder.pressButtonTitled(QStringLiteral("OK"));
    RecordingDialog dialog;
    EXPECT_EQ(dialog.showWindow(true, true, &parent), MivModalWindowController::kResponseStop);
    EXPECT_TRUE(dialog.isSheet());
    ASSERT_EQ(responder.seen().size(), 1u);
    EXPECT_TRUE(responder.seen().front().windowModal);
    EXPECT_EQ(dialog.calls, kEndedWithOk);
    EXPECT_FALSE(dialog.window()->isVisible());
}

TEST(MivModalWindowController, PolledRunTurnsUntilStopped)
{
    RecordingDialog dialog;
    dialog.onTurn = [&] {
        if (dialog.turns == 3)
            dialog.stopModal();
    };
    EXPECT_EQ(dialog.showWindowForSheet(false), MivModalWindowController::kResponseStop);
    EXPECT_GE(dialog.turns, 3);
    // The polled run calls initData itself, every run.
    EXPECT_EQ(dialog.calls, kEndedWithOk);
    dialog.calls.clear();
    dialog.turns = 0;
    EXPECT_EQ(dialog.showWindowForSheet(false), MivModalWindowController::kResponseStop);
    EXPECT_EQ(dialog.calls, kEndedWithOk);
}

TEST(MivModalWindowController, DialogSentToTheBackgroundEndsLater)
{
    RecordingDialog dialog;
    dialog.onTurn = [&] {
        if (dialog.turns == 2)
            dialog.backgroundProcess();
    };
    EXPECT_EQ(dialog.showWindowForSheet(false), MivModalWindowController::kResponseContinue);
    EXPECT_EQ(dialog.calls, (QStringList{"initData", "movedToBackground"}));
    // Still on screen, no longer blocking the application.
    EXPECT_TRUE(dialog.window()->isVisible());
    EXPECT_EQ(dialog.window()->windowModality(), Qt::NonModal);
    EXPECT_EQ(MivModalWindowController::modalWindow(), nullptr);

    std::thread([&] { dialog.stopModal(); }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return dialog.calls.size() == 4; }));
    EXPECT_EQ(dialog.calls, (QStringList{"initData", "movedToBackground", "processResult -1000", "closeData"}));
    ASSERT_TRUE(mivtest::waitUntil([&] { return !dialog.window()->isVisible(); }));

    // Ended once: a second stop does nothing.
    dialog.stopModal();
    mivtest::waitUntil([] { return false; }, std::chrono::milliseconds(20));
    EXPECT_EQ(dialog.calls.size(), 4);
}

TEST(MivModalWindowController, ModalLoopSentToTheBackgroundEndsWithAbort)
{
    RecordingDialog dialog;
    later([&] { dialog.backgroundProcess(); });
    EXPECT_EQ(dialog.showModal(), MivModalWindowController::kResponseAbort);
    EXPECT_EQ(dialog.calls, (QStringList{"initData", "movedToBackground"}));
    dialog.abortModal();
    ASSERT_TRUE(mivtest::waitUntil([&] { return dialog.calls.size() == 4; }));
    EXPECT_EQ(dialog.calls.mid(2), (QStringList{"processResult -1001", "closeData"}));
}

TEST(MivModalWindowController, PolledRunKeepsRunningWhileAnotherDialogIsModalAboveIt)
{
    RecordingDialog outer;
    RecordingDialog inner;
    bool innerRan = false;
    outer.onTurn = [&] {
        if (outer.turns != 1)
            return;
        later([&] {
            // Asked to stop while the inner dialog is the modal one: the
            // outer run must not end under it.
            outer.stopModal();
            later([&] {
                later([&] {
                    EXPECT_EQ(MivModalWindowController::modalWindow(), inner.window());
                    inner.stopModal();
                });
            });
        });
        innerRan = inner.showModal() == MivModalWindowController::kResponseStop;
        outer.stopModal();
    };
    EXPECT_EQ(outer.showWindowForSheet(false), MivModalWindowController::kResponseStop);
    EXPECT_TRUE(innerRan);
    EXPECT_EQ(inner.calls, kEndedWithOk);
}

TEST(MivModalWindowController, AsynchronousSheetCallsItsCompletionLast)
{
    QMainWindow parent;
    parent.show();
    RecordingDialog dialog;
    std::optional<int> answer;
    dialog.showModalSheetForWindow(&parent, [&](int response) {
        dialog.calls << QStringLiteral("completion");
        answer = response;
    });
    EXPECT_TRUE(dialog.window()->isVisible());
    // No initData on this path.
    EXPECT_TRUE(dialog.calls.isEmpty());
    std::thread([&] { dialog.stopModal(); }).join();
    ASSERT_TRUE(mivtest::waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, MivModalWindowController::kResponseStop);
    EXPECT_EQ(dialog.calls, (QStringList{"processResult -1000", "closeData", "completion"}));
    EXPECT_FALSE(dialog.window()->isVisible());
}

TEST(MivModalWindowController, StopAfterTheRunEndedTouchesNoOtherDialog)
{
    RecordingDialog first;
    later([&] { first.stopModal(); });
    first.showModal();

    RecordingDialog second;
    later([&] {
        // A late stop of the first dialog must not end the second's run.
        first.stopModal();
        later([&] {
            later([&] {
                EXPECT_EQ(MivModalWindowController::modalWindow(), second.window());
                second.abortModal();
            });
        });
    });
    EXPECT_EQ(second.showModal(), MivModalWindowController::kResponseAbort);
}

} // namespace
