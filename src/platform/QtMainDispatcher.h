#pragma once

#include "platform/MainDispatcher.h"

#include <memory>

class QObject;
class QThread;

namespace plat {

// The main thread of the application: the thread of the QCoreApplication.
// Work is queued on an object that lives there, so it runs in posting order
// from any number of threads, and delayed work runs on Qt timers. Construct
// and destroy it on that thread; work still queued at destruction is dropped.
class QtMainDispatcher final : public MainDispatcher
{
public:
    QtMainDispatcher();
    ~QtMainDispatcher() override;
    QtMainDispatcher(const QtMainDispatcher&) = delete;
    QtMainDispatcher& operator=(const QtMainDispatcher&) = delete;

    bool isMainThread() const override;
    void post(Task task) override;
    void postDelayed(std::chrono::milliseconds delay, Task task) override;
    bool processEventsUntil(const std::function<bool()>& predicate, Clock::time_point deadline) override;
    void wake() override;

private:
    static Task guarded(Task task);
    void startTimer(std::chrono::milliseconds delay, Task task);

    QThread* m_thread = nullptr;
    std::unique_ptr<QObject> m_receiver;
};

} // namespace plat
