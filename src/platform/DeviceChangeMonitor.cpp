#include "platform/DeviceChangeMonitor.h"

#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/ThreadInfo.h"

#include <libudev.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <thread>

namespace plat {

struct DeviceChangeMonitor::Private
{
    Callback callback;
    int mountTable = -1;
    int stop = -1;
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::thread thread;

    ~Private()
    {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
        if (mountTable >= 0)
            ::close(mountTable);
        if (stop >= 0)
            ::close(stop);
    }

    void openUdev()
    {
        context = udev_new();
        if (context)
            monitor = udev_monitor_new_from_netlink(context, "udev");
        if (monitor && (udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", nullptr) < 0
                        || udev_monitor_enable_receiving(monitor) < 0)) {
            udev_monitor_unref(monitor);
            monitor = nullptr;
        }
    }

    void run()
    {
        setCurrentThreadLabel(QStringLiteral("device-change-monitor"));
        for (;;) {
            pollfd fds[3] = {{stop, POLLIN, 0}, {mountTable, POLLPRI, 0}, {monitor ? udev_monitor_get_fd(monitor) : -1, POLLIN, 0}};
            if (::poll(fds, 3, -1) < 0) {
                if (errno == EINTR)
                    continue;
                MIV_LOG_ERROR(QStringLiteral("Device change monitor stopped: %1").arg(QString::fromLocal8Bit(strerror(errno))));
                return;
            }
            if (fds[0].revents)
                return;
            bool changed = false;
            if (fds[1].revents & (POLLPRI | POLLERR)) {
                // Reading the table from the start re-arms the mark.
                char buffer[4096];
                ::lseek(mountTable, 0, SEEK_SET);
                while (::read(mountTable, buffer, sizeof buffer) > 0) {
                }
                changed = true;
            }
            if (fds[2].revents & POLLIN) {
                while (udev_device* device = udev_monitor_receive_device(monitor))
                    udev_device_unref(device);
                changed = true;
            }
            if (changed && callback)
                callback();
        }
    }
};

std::unique_ptr<DeviceChangeMonitor> DeviceChangeMonitor::start(const QString& procRoot, Callback callback)
{
    auto d = std::make_shared<Private>();
    d->callback = std::move(callback);
    d->mountTable = Path::open(procRoot + QStringLiteral("/self/mountinfo"), O_RDONLY | O_CLOEXEC);
    d->openUdev();
    d->stop = ::eventfd(0, EFD_CLOEXEC);
    if (d->stop < 0 || (d->mountTable < 0 && !d->monitor))
        return nullptr;
    if (d->mountTable >= 0) {
        char buffer[4096];
        while (::read(d->mountTable, buffer, sizeof buffer) > 0) {
        }
    }
    try {
        d->thread = std::thread([d] { d->run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return std::unique_ptr<DeviceChangeMonitor>(new DeviceChangeMonitor(std::move(d)));
}

DeviceChangeMonitor::DeviceChangeMonitor(std::shared_ptr<Private> d) : d(std::move(d)) {}

DeviceChangeMonitor::~DeviceChangeMonitor()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(d->stop, &one, sizeof one);
    if (!d->thread.joinable())
        return;
    if (d->thread.get_id() == std::this_thread::get_id())
        d->thread.detach(); // the thread holds its state and ends after this callback
    else
        d->thread.join();
}

bool DeviceChangeMonitor::watchesDevices() const { return d->monitor != nullptr; }

} // namespace plat
