#pragma once

#include <functional>

// The one place that decides on which thread or queue work runs.
class MivExec
{
public:
    using Block = std::function<void()>;

    MivExec() = delete;

    // On the main thread: runs the block before returning. Elsewhere: hands it
    // to the main thread and waits until it has run. The caller must not hold
    // anything the main thread may be waiting for.
    static void runOnMainThread(const Block& block);

    // Always runs the block on a later turn of the main loop; never waits.
    static void runAsyncOnMainThread(Block block);

    // On the main thread: runs the block at once. Elsewhere: hands it to the
    // main thread without waiting.
    static void runOnMainThreadAsync(Block block);

    // forceAsync true behaves as runAsyncOnMainThread, false as runOnMainThreadAsync.
    static void runAsyncOnMainThread(Block block, bool forceAsync);

    static bool isMainThread();
};
