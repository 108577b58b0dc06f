#include "FileData/MivExec.h"

#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/Wait.h"

#include <condition_variable>
#include <mutex>

namespace {

// Without an installed main thread (a tool process, an early start-up step)
// the calling thread stands in for it, so synchronous callers still make progress.
plat::MainDispatcher* mainDispatcherOrLog()
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (!dispatcher)
        MIV_LOG_ERROR(QStringLiteral("No main thread is installed: work for it is dropped"));
    return dispatcher;
}

} // namespace

bool MivExec::isMainThread()
{
    return plat::MainDispatcher::onMainThread();
}

void MivExec::runOnMainThread(const Block& block)
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (!dispatcher || dispatcher->isMainThread()) {
        block();
        return;
    }
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    dispatcher->post([&] {
        block();
        std::lock_guard<std::mutex> guard(mutex);
        done = true;
        cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex);
    plat::waitUntil(lock, cv, [&] { return done; });
}

void MivExec::runAsyncOnMainThread(Block block)
{
    if (plat::MainDispatcher* dispatcher = mainDispatcherOrLog())
        dispatcher->post(std::move(block));
}

void MivExec::runOnMainThreadAsync(Block block)
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (dispatcher && dispatcher->isMainThread()) {
        block();
        return;
    }
    if ((dispatcher = mainDispatcherOrLog()))
        dispatcher->post(std::move(block));
}

void MivExec::runAsyncOnMainThread(Block block, bool forceAsync)
{
    if (forceAsync)
        runAsyncOnMainThread(std::move(block));
    else
        runOnMainThreadAsync(std::move(block));
}
