#include "platform/DeviceChangeMonitor.h"

#include "platform/Process.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool runTool(const QString& program, const QStringList& arguments)
{
    plat::Process process(program, arguments);
    process.setOutputMode(plat::Process::OutputMode::Discard);
    return process.start() && process.waitForExit() && process.exitStatus() == 0;
}

// A mount and an unmount each wake the monitor.
TEST(DeviceChangeMonitorTest, MountTableChangesAreReported)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    std::promise<void> woke;
    std::atomic<bool> armed{true};
    auto monitor = plat::DeviceChangeMonitor::start(QStringLiteral("/proc"), [&] {
        if (armed.exchange(false))
            woke.set_value();
    });
    ASSERT_TRUE(monitor);
    QTemporaryDir dir;
    if (!runTool(QStringLiteral("/usr/bin/mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), dir.path()}))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    // Generous: only a monitor that never wakes reaches it.
    const auto status = woke.get_future().wait_for(120s);
    runTool(QStringLiteral("/usr/bin/umount"), {dir.path()});
    EXPECT_EQ(status, std::future_status::ready);
    monitor.reset();
}

TEST(DeviceChangeMonitorTest, NoSourceGivesNoMonitor)
{
    // Without a mount table the udev monitor alone may still work.
    auto monitor = plat::DeviceChangeMonitor::start(QStringLiteral("/nonexistent-proc"), [] {});
    if (monitor)
        EXPECT_TRUE(monitor->watchesDevices());
}

} // namespace
