#include "support/ManualTimerSource.h"
#include "support/WaitUntil.h"
#include "support/widgets/PresetAlertResponder.h"

#include "app/alerts/MivAlertResponder.h"
#include "platform/MainDispatcher.h"
#include "platform/TimerSource.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

// A dialog that runs the way the program's dialogs do: shown, the responder
// told, then its own loop.
int runDialog(QDialog& dialog)
{
    dialog.open();
    MivAlertResponder::notifyShown(&dialog);
    return dialog.exec();
}

TEST(TestSeams, TheTestThreadIsTheGuiThreadOfAnOffscreenApplication)
{
    ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_TRUE(plat::MainDispatcher::onMainThread());
}

TEST(TestSeams, WaitUntilTurnsTheLoopForWorkPostedFromAnotherThread)
{
    bool ran = false;
    std::thread worker([&ran] { plat::MainDispatcher::instance()->post([&ran] { ran = true; }); });
    EXPECT_TRUE(mivtest::waitUntil([&] { return ran; }));
    worker.join();
    EXPECT_FALSE(mivtest::waitUntil([] { return false; }, 1ms));
}

TEST(TestSeams, ManualTimersRunOnlyWhenTimeIsAdvancedInDueOrder)
{
    mivtest::ManualTimerSource timers;
    QStringList order;
    plat::TimerSource& source = plat::TimerSource::current();
    source.schedule(300ms, [&] { order << QStringLiteral("late"); });
    source.schedule(100ms, [&] { order << QStringLiteral("early"); });
    const auto cancelled = source.schedule(200ms, [&] { order << QStringLiteral("cancelled"); });
    source.cancel(cancelled);
    EXPECT_EQ(timers.pending(), 2);
    timers.advance(99ms);
    EXPECT_TRUE(order.isEmpty());
    timers.advance(201ms);
    EXPECT_EQ(order, (QStringList{QStringLiteral("early"), QStringLiteral("late")}));
}

TEST(TestSeams, SingleShotTimerRestartsAndCancelsWhenDestroyed)
{
    mivtest::ManualTimerSource timers;
    int fired = 0;
    {
        plat::SingleShotTimer timer;
        timer.start(100ms, [&] { ++fired; });
        timers.advance(50ms);
        timer.start(100ms, [&] { ++fired; });
        timers.advance(60ms);
        EXPECT_EQ(fired, 0);
        EXPECT_TRUE(timer.isActive());
        timers.advance(40ms);
        EXPECT_EQ(fired, 1);
        EXPECT_FALSE(timer.isActive());
        timer.start(100ms, [&] { ++fired; });
    }
    timers.advance(1s);
    EXPECT_EQ(fired, 1);
}

TEST(TestSeams, SingleShotTimerOnTheRealSourceFiresOnTheMainThread)
{
    plat::SingleShotTimer timer;
    bool onMain = false;
    bool fired = false;
    timer.start(1ms, [&] {
        onMain = plat::MainDispatcher::onMainThread();
        fired = true;
    });
    EXPECT_TRUE(mivtest::waitUntil([&] { return fired; }));
    EXPECT_TRUE(onMain);
}

TEST(TestSeams, ResponderPressesPresetButtonsAndTypesText)
{
    mivtest::PresetAlertResponder responder;
    responder.pressButtonTitled(QStringLiteral("Keep"), QStringLiteral("typed")).reject();

    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Question"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* field = new QLineEdit(&dialog);
    auto* keep = new QPushButton(QStringLiteral("&Keep"), &dialog);
    layout->addWidget(field);
    layout->addWidget(keep);
    QObject::connect(keep, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(7); });

    EXPECT_EQ(runDialog(dialog), 7);
    EXPECT_EQ(field->text(), QStringLiteral("typed"));
    EXPECT_EQ(runDialog(dialog), QDialog::Rejected);
    ASSERT_EQ(responder.seen().size(), 2u);
    EXPECT_EQ(responder.seen()[0].windowTitle, QStringLiteral("Question"));
    EXPECT_EQ(responder.seen()[0].buttons, QStringList{QStringLiteral("Keep")});
    EXPECT_EQ(responder.unused(), 0);
}

} // namespace
