#include "FileData/Transfer/MivTransferClock.h"

#include "platform/Wait.h"
#include "platform/NoDestructor.h"

#include <QtGlobal>

#include <chrono>
#include <mutex>
#include <thread>

namespace {

class SystemTransferClock : public MivTransferClock
{
public:
    double now() override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }

    void sleepFor(double seconds) override
    {
        if (seconds <= 0)
            return;
        plat::ScopedBlocking blocking;
        std::this_thread::sleep_for(std::chrono::microseconds(qint64(seconds * 1e6)));
    }
};

std::mutex& clockMutex()
{
    static plat::NoDestructor<std::mutex> mutex;
    return *mutex;
}

std::shared_ptr<MivTransferClock>& installedClock()
{
    static plat::NoDestructor<std::shared_ptr<MivTransferClock>> clock;
    return *clock;
}

} // namespace

std::shared_ptr<MivTransferClock> MivTransferClock::shared()
{
    static const plat::NoDestructor<std::shared_ptr<MivTransferClock>> systemClock(std::make_shared<SystemTransferClock>());
    std::lock_guard lock(clockMutex());
    return installedClock() ? installedClock() : *systemClock;
}

void MivTransferClock::setShared(std::shared_ptr<MivTransferClock> clock)
{
    std::lock_guard lock(clockMutex());
    installedClock() = std::move(clock);
}
