#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace plat {

// Tells when block devices come or go (udev's netlink monitor, where
// libudev can open one) and when the mount table changes (poll on
// mountinfo, which the kernel marks on every mount and unmount). One
// thread waits on both; the callback runs on it and should only hand work
// on. Stops the thread when destroyed and joins it, unless the callback
// itself destroyed the monitor.
class DeviceChangeMonitor
{
public:
    using Callback = std::function<void()>;

    // Answers null when neither source can be watched.
    static std::unique_ptr<DeviceChangeMonitor> start(const QString& procRoot, Callback callback);
    ~DeviceChangeMonitor();
    DeviceChangeMonitor(const DeviceChangeMonitor&) = delete;
    DeviceChangeMonitor& operator=(const DeviceChangeMonitor&) = delete;

    bool watchesDevices() const;

private:
    struct Private;
    explicit DeviceChangeMonitor(std::shared_ptr<Private> d);
    std::shared_ptr<Private> d; // shared with the thread, which may outlive this object when it destroys it
};

} // namespace plat
