#pragma once

#include "platform/Error.h"

#include <QString>
#include <QVariantMap>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace plat {

class RunLoop;

// One asynchronous copy, move or move to the trash of a local entry, a whole
// tree at a time, worked on a pool thread and reported on the run loop of the
// thread that scheduled it (the GUI thread for operations with progress).
//
// Reports carry the current item's path, a stage (1 preflighting, 2 running,
// 3 complete, also after an error or a cancel), a status (0, or the status of
// the errno table: -43, -5000, -48, -34, -36, -128 for a cancel) and a
// dictionary with the throughput, total bytes and bytes complete. At most one
// report comes per interval; the first and the final one always come, the
// final one last.
//
// Nothing is left half written: a copy is built under a temporary name in the
// target folder and renamed into place only when complete, so a failure, a
// cancel or a full volume leaves no partial entry and an existing target
// exactly as it was. An existing target is replaced (with kOverwrite) only
// once the new copy is complete. A move renames within a file system; across
// file systems it copies, checks the copy, and only then deletes the source.
class LocalFileOperation : public std::enable_shared_from_this<LocalFileOperation>
{
public:
    using Clock = std::chrono::steady_clock;
    using ClockFunction = std::function<Clock::time_point()>;
    // path, stage, status, dictionary.
    using StatusCallback = std::function<void(const QString&, quint32, qint32, const QVariantMap&)>;

    enum Stage : quint32 { Undefined = 0, Preflighting = 1, Running = 2, Complete = 3 };

    // Replace an existing target (once the new entry is complete); without
    // it an existing target fails the operation with -48.
    static constexpr quint32 kOverwrite = 0x1;

    static constexpr const char* kThroughputKey = "kFSOperationThroughputKey";
    static constexpr const char* kTotalBytesKey = "kFSOperationTotalBytesKey";
    static constexpr const char* kBytesCompleteKey = "kFSOperationBytesCompleteKey";

    static std::shared_ptr<LocalFileOperation> create();
    ~LocalFileOperation();

    // Before starting: where reports go. 0, or -50 once started.
    qint32 scheduleWithRunLoop(std::shared_ptr<RunLoop> loop);
    // Before starting: the clock that paces the reports (tests use their own).
    void setClock(ClockFunction clock);

    // Start the work and answer at once: 0 when it started (its outcome comes
    // as the final report), else the reason and no report: -50 (not
    // scheduled, already started), -37 (a destination name that is no single
    // name), -43 (no source or no destination folder). destName may be null
    // for the source's own name. interval is in seconds.
    qint32 copyObject(const QString& source, const QString& destFolder, const QString& destName, quint32 flags,
                      StatusCallback callback, double interval);
    qint32 moveObject(const QString& source, const QString& destFolder, const QString& destName, quint32 flags,
                      StatusCallback callback, double interval);
    qint32 moveObjectToTrash(const QString& source, quint32 flags, StatusCallback callback, double interval);

    // Stops the work at the next chunk; the final report has -128 unless it
    // had already finished.
    void cancel();

    // The error behind a failed final report (for -36, the system's text).
    Error lastError() const;
    // True once the final report has been delivered.
    bool isFinished() const { return m_finished.load(); }

    // A name refused as a destination name: "", ".", "..", or holding "/",
    // NUL, CR or LF.
    static bool isHostileName(const QString& name);

private:
    enum class Kind { Copy, Move, Trash };
    struct Report;
    class Worker;

    LocalFileOperation() = default;
    qint32 start(Kind kind, const QString& source, const QString& destFolder, const QString& destName, quint32 flags,
                 StatusCallback callback, double interval);
    void post(Report report);

    std::shared_ptr<RunLoop> m_loop;
    ClockFunction m_clock;
    StatusCallback m_callback;
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
    mutable std::mutex m_errorLock;
    Error m_lastError;
};

} // namespace plat
