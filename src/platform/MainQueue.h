#pragma once

#include "platform/DispatchQueue.h"

namespace plat {

// The main thread as a dispatch queue: tasks go to the installed main
// dispatcher and run there in submission order, on a later turn of the main
// loop. Without an installed main thread the task is logged and dropped.
class MainQueue final : public DispatchQueue
{
public:
    static std::shared_ptr<MainQueue> instance();

    void async(Task task) override;
    QString label() const override;

private:
    MainQueue() = default;
};

} // namespace plat
