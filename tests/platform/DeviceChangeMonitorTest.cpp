#include "platform/DeviceChangeMonitor.h"

#include "support/ScopedTmpfs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

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
    std::future_status status;
    {
        mivtest::ScopedTmpfs tmpfsMount(dir.path());
        if (!tmpfsMount.mounted())
            GTEST_SKIP() << tmpfsMount.whyNot();
        // Generous: only a monitor that never wakes reaches it.
        status = woke.get_future().wait_for(120s);
    }
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
