// Local copies and moves of whole entries through the local file operation,
// beside cp and cp -r of the same data in the same run, and a move of a
// folder of 100,000 files within one file system beside one rename(2).
// Usage: local_file_operation_bench [--exec] [folder] (default: the
// temporary folder). With --exec the copies run as operation steps through
// MivExecFileOperation, and the 10,000 files are also merged into an
// existing folder through the operation processor. Everything made there is
// removed after.
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivLogSetup.h"
#include "FileData/MivUrlFileData.h"
#include "app/operations/IMivFileOperationCallback.h"
#include "app/operations/IMivOperationDelegate.h"
#include "app/operations/MivExecFileOperation.h"
#include "app/operations/MivFileOperationData.h"
#include "platform/LocalFileOperation.h"
#include "platform/LoopThreadMainDispatcher.h"
#include "platform/NoDestructor.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/RunLoop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QUuid>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kBigSize = qint64(1) << 30;
constexpr int kSmallCount = 10000;
constexpr int kSmallSize = 4096;
constexpr int kMoveCount = 100000;

void writeFile(const QString& path, qint64 size, std::mt19937_64& random)
{
    const int fd = plat::Path::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<quint64> block(1 << 17);
    for (qint64 left = size; left > 0;) {
        std::generate(block.begin(), block.end(), [&] { return random(); });
        const qint64 n = std::min<qint64>(left, qint64(block.size() * sizeof(quint64)));
        if (::write(fd, block.data(), size_t(n)) != n)
            std::abort();
        left -= n;
    }
    ::close(fd);
}

bool run(const QString& command) { return std::system(command.toLocal8Bit().constData()) == 0; }

double seconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

bool g_throughExec = false;

// The operation item of a step without progress.
class NoItem : public IMivOperationDelegate
{
public:
    void processCurrentFile() override {}
    void executeCurrentFileAction() override {}
    void finishFileOperation() override {}
    std::shared_ptr<IMivAsyncActionDelegate> asyncDelegate() override { return nullptr; }
};

// Waits for the final report of a step.
class FinalReport : public IMivFileOperationCallback
{
public:
    std::atomic<bool> done{false};
    std::atomic<qint32> status{0};
    std::shared_ptr<plat::RunLoop> loop = plat::RunLoop::current();
    void doOnFileOperation(const QString&, quint32 stage, qint32 error, const std::optional<QVariantMap>&,
                           const std::shared_ptr<MivFileProcessingData>& data) override
    {
        if (stage != 3 || data)
            return;
        status.store(error);
        done.store(true);
        loop->wake();
    }
};

MivFileDataPtr localItem(const QString& path)
{
    return MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(path), true);
}

// One source as one operation step, as the operations controller starts it.
bool operateThroughExec(bool move, const QString& source, const QString& folder, const QString& name, bool merge)
{
    const auto item = std::make_shared<NoItem>();
    const auto record = MivFileOperationData::create(item);
    record->setOperation(move ? MivFileOperationData::kMove : MivFileOperationData::kCopy);
    record->setSource({localItem(source)});
    record->setCurrentSourceIndex(0);
    record->setDest(localItem(folder));
    record->setDestName(name);
    record->setOption(MivFileOperationData::kOptionOverwrite);
    record->setMergeFolders(merge);
    if (!record->prepareFileOperation())
        return false;
    const auto callback = std::make_shared<FinalReport>();
    if (MivExecFileOperation(record, 0, callback, 0.25) != 0)
        return false;
    plat::RunLoop::current()->runUntil([&] { return callback->done.load(); }, plat::RunLoop::Clock::time_point::max());
    return callback->status.load() == 0;
}

// One operation, awaited on this thread's run loop as a caller without
// progress would.
bool operate(bool move, const QString& source, const QString& folder, const QString& name)
{
    if (g_throughExec)
        return operateThroughExec(move, source, folder, name, false);
    auto op = plat::LocalFileOperation::create();
    op->scheduleWithRunLoop(plat::RunLoop::current());
    qint32 result = 1;
    const auto callback = [&](const QString&, quint32 stage, qint32 status, const QVariantMap&) {
        if (stage == plat::LocalFileOperation::Complete)
            result = status;
    };
    const qint32 started = move ? op->moveObject(source, folder, name, 0, callback, 0.25)
                                : op->copyObject(source, folder, name, 0, callback, 0.25);
    if (started != 0)
        return false;
    plat::RunLoop::current()->runUntil([&] { return op->isFinished(); }, plat::RunLoop::Clock::time_point::max());
    return result == 0;
}

// Best of two, so one slow pass of a shared machine counts less.
template<typename Copy, typename Clean>
double best(Copy copy, Clean clean)
{
    double result = 1e9;
    for (int pass = 0; pass < 2; ++pass) {
        clean();
        ::sync();
        QElapsedTimer timer;
        timer.start();
        if (!copy()) {
            std::fprintf(stderr, "copy failed\n");
            std::exit(1);
        }
        result = std::min(result, seconds(timer));
    }
    clean();
    return result;
}

// The operation syncs what it wrote before it takes the target's name, so cp
// is shown twice: as it runs, and followed by a sync of what it wrote.
void report(const char* what, double bytes, double ours, double cp, double cpSynced)
{
    std::printf("%-24s ours %7.3f s (%7.1f MB/s) | cp %7.3f s (%7.1f MB/s) ratio %.2fx"
                " | cp+sync %7.3f s (%7.1f MB/s) ratio %.2fx\n",
                what, ours, bytes / ours / 1e6, cp, bytes / cp / 1e6, cp / ours, cpSynced, bytes / cpSynced / 1e6,
                cpSynced / ours);
    std::fflush(stdout);
}

void bench(const QString& base)
{
    const QString root = plat::PathString::appendingPathComponent(
        base, QStringLiteral("mivo-fileop-bench-%1").arg(QUuid::createUuid().toString(QUuid::Id128)));
    QDir().mkpath(root);
    std::mt19937_64 random(42);
    const auto at = [&](const QString& name) { return plat::PathString::appendingPathComponent(root, name); };
    const auto quoted = [](const QString& path) { return QStringLiteral("'%1'").arg(path); };

    writeFile(at("big"), kBigSize, random);
    QDir().mkpath(at("small"));
    for (int i = 0; i < kSmallCount; ++i)
        writeFile(at(QStringLiteral("small/f%1").arg(i)), kSmallSize, random);
    run(QStringLiteral("cat %1 > /dev/null").arg(quoted(at("big"))));

    const auto removeTargets = [&] {
        run(QStringLiteral("rm -rf %1 %2 %3 %4")
                .arg(quoted(at("big-ours")), quoted(at("big-cp")), quoted(at("small-ours")), quoted(at("small-cp"))));
    };
    const double bigOurs = best([&] { return operate(false, at("big"), root, QStringLiteral("big-ours")); },
                                removeTargets);
    const double bigCp = best(
        [&] { return run(QStringLiteral("cp %1 %2").arg(quoted(at("big")), quoted(at("big-cp")))); }, removeTargets);
    const double bigCpSynced = best(
        [&] { return run(QStringLiteral("cp %1 %2 && sync %2").arg(quoted(at("big")), quoted(at("big-cp")))); },
        removeTargets);
    report("1 GiB file", double(kBigSize), bigOurs, bigCp, bigCpSynced);

    const double smallOurs = best([&] { return operate(false, at("small"), root, QStringLiteral("small-ours")); },
                                  removeTargets);
    const double smallCp = best(
        [&] { return run(QStringLiteral("cp -r %1 %2").arg(quoted(at("small")), quoted(at("small-cp")))); },
        removeTargets);
    const double smallCpSynced = best(
        [&] { return run(QStringLiteral("cp -r %1 %2 && sync -f %2").arg(quoted(at("small")), quoted(at("small-cp")))); },
        removeTargets);
    report("10,000 files of 4 KiB", double(kSmallCount) * kSmallSize, smallOurs, smallCp, smallCpSynced);
    if (g_throughExec) {
        // Merged into an existing folder: walked by the processor, each
        // file a local step of its own.
        const auto removeMerged = [&] {
            removeTargets();
            QDir().mkpath(at("merged/small"));
        };
        const double merged = best([&] { return operateThroughExec(false, at("small"), at("merged"), QString(), true); },
                                   removeMerged);
        report("10,000 files merged", double(kSmallCount) * kSmallSize, merged, smallCp, smallCpSynced);
        run(QStringLiteral("rm -rf %1").arg(quoted(at("merged"))));
    }

    // A move within one file system is one rename, whatever the folder holds.
    QDir().mkpath(at("many"));
    for (int i = 0; i < kMoveCount; ++i) {
        const int fd = plat::Path::open(at(QStringLiteral("many/f%1").arg(i)), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ::close(fd);
    }
    QDir().mkpath(at("into"));
    QElapsedTimer timer;
    timer.start();
    const bool moved = operate(true, at("many"), at("into"), QString());
    const double ours = seconds(timer);
    timer.restart();
    const bool renamed = plat::Path::rename(at("into/many"), at("many")) == 0;
    const double once = seconds(timer);
    std::printf("move of 100,000 files    ours %9.6f s%s | rename(2) %9.6f s%s | ratio %.1fx\n", ours,
                moved ? "" : " (failed)", once, renamed ? "" : " (failed)", ours / std::max(once, 1e-9));
    std::fflush(stdout);

    run(QStringLiteral("rm -rf %1").arg(quoted(root)));
}

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    if (argc > 1 && qstrcmp(argv[1], "--exec") == 0) {
        g_throughExec = true;
        ++first;
        MivLogging::setupLogging();
        static plat::NoDestructor<plat::LoopThreadMainDispatcher> mainThread;
        plat::MainDispatcher::install(mainThread.get());
        MivFileDataManager::registerHooks();
        std::printf("copies through MivExecFileOperation\n");
    }
    const QString base = argc > first ? QString::fromLocal8Bit(argv[first]) : QDir::tempPath();
    // Reports come on the run loop of the thread that schedules: a thread
    // of our own, so no main dispatcher is needed.
    std::thread worker([&] { bench(base); });
    worker.join();
    return 0;
}
