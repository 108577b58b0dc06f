#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace plat {
class Process;
}

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

    // Starts a user tool and answers the running process at once; its output
    // is not captured and nobody needs to wait for it (the process reaper
    // collects it). params nullptr means none. Launch modes: 2 runs
    // "/bin/bash" "-l" "-c" "<path> <params joined by blanks>"; 3 launches a
    // desktop entry (path ending in ".desktop") by its Exec line with the
    // params, any other path directly; 0 is 3 for a desktop entry file, else
    // 1; 1 and any other value start the path directly with the params.
    // No path, or no file at the program's path (or a desktop entry whose
    // program is not installed): nullptr, nothing logged. A program that
    // exists but cannot be started throws MivTaskLaunchException.
    static std::shared_ptr<plat::Process> executeTaskWithLaunchPath(const QString& path, const QStringList* params, int as);
};
