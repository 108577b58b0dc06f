#include "platform/MainQueue.h"

#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/NoDestructor.h"

namespace plat {

std::shared_ptr<MainQueue> MainQueue::instance()
{
    static const NoDestructor<std::shared_ptr<MainQueue>> queue(new MainQueue);
    return *queue;
}

void MainQueue::async(Task task)
{
    if (MainDispatcher* dispatcher = MainDispatcher::instance())
        dispatcher->post(std::move(task));
    else
        MIV_LOG_ERROR(QStringLiteral("No main thread is installed: work for it is dropped"));
}

QString MainQueue::label() const
{
    return QStringLiteral("main");
}

} // namespace plat
