// The stream copier between local items against a plain 64 KiB read/write
// loop over the same data, in the same run. Usage: stream_copier_bench
// [folder] (default: the temporary folder). Makes a 1 GiB file and a folder
// of 10,000 small files there and removes everything after.
//
// The copier's local upload end writes a temporary file, syncs it and
// renames it into place, so the plain loop is shown twice: as it runs, and
// with an fsync of each file it wrote. Aim: ratio (loop time / copier time)
// of at least 0.9 against the synced loop.
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivLogSetup.h"
#include "FileData/MivUrlFileData.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "app/operations/MivCopyFileStreamProcessor.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/LoopThreadMainDispatcher.h"
#include "platform/NoDestructor.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/Shutdown.h"

#include <QDir>
#include <QElapsedTimer>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr qint64 kBigSize = qint64(1) << 30;
constexpr int kSmallCount = 10000;
constexpr int kSmallSize = 4096;
constexpr size_t kLoopBuffer = 64 << 10;

std::shared_ptr<MivOsxFileData> localItem(const QString& path, bool withRefresh)
{
    return MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(path), withRefresh);
}

bool copyThroughCopier(MivCopyFileStreamProcessor& copier, const QString& from, const QString& to)
{
    plat::Error error;
    const qint64 result = copier.copy(localItem(from, true), localItem(to, false), MivCopyContext::create(),
                                      MivCopyContext::create(), 0, &error);
    if (result < 0)
        std::fprintf(stderr, "copier: %s\n", qPrintable(error.description()));
    return result >= 0;
}

bool copyByLoop(const QString& from, const QString& to, bool syncEach)
{
    const int in = plat::Path::open(from, O_RDONLY | O_CLOEXEC);
    const int out = plat::Path::open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0)
        return false;
    static std::vector<char> buffer(kLoopBuffer);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (::write(out, buffer.data(), size_t(n)) != n) {
            ok = false;
            break;
        }
    }
    if (syncEach && ::fsync(out) != 0)
        ok = false;
    ::close(in);
    ::close(out);
    return ok;
}

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

void report(const char* what, double bytes, double copier, double loop, double loopSynced)
{
    std::printf("%-24s copier %7.3f s (%7.1f MB/s) | loop %7.3f s (%7.1f MB/s) ratio %.2fx"
                " | loop+fsync %7.3f s (%7.1f MB/s) ratio %.2fx\n",
                what, copier, bytes / copier / 1e6, loop, bytes / loop / 1e6, loop / copier, loopSynced,
                bytes / loopSynced / 1e6, loopSynced / copier);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // Log lines go to the program's log folder, as in the program.
    MivLogging::setupLogging();
    static plat::NoDestructor<plat::LoopThreadMainDispatcher> mainThread;
    plat::MainDispatcher::install(mainThread.get());

    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const QString root = plat::PathString::appendingPathComponent(
        base, QStringLiteral("mivo-copier-bench-%1").arg(QUuid::createUuid().toString(QUuid::Id128)));
    QDir().mkpath(root);
    std::mt19937_64 random(42);
    const auto at = [&](const QString& name) { return plat::PathString::appendingPathComponent(root, name); };
    const auto quoted = [](const QString& path) { return QStringLiteral("'%1'").arg(path); };

    writeFile(at("big"), kBigSize, random);
    QDir().mkpath(at("small"));
    for (int i = 0; i < kSmallCount; ++i)
        writeFile(at(QStringLiteral("small/f%1").arg(i)), kSmallSize, random);
    // Every pass reads from the page cache.
    run(QStringLiteral("cat %1 > /dev/null").arg(quoted(at("big"))));

    const auto copier = MivCopyFileStreamProcessor::create({});
    const auto removeTargets = [&] { run(QStringLiteral("rm -rf %1 %2").arg(quoted(at("big-copy")), quoted(at("small-copy")))); };
    const auto smallCopies = [&](const auto& copyOne) {
        QDir().mkpath(at("small-copy"));
        for (int i = 0; i < kSmallCount; ++i) {
            const QString name = QStringLiteral("f%1").arg(i);
            if (!copyOne(at("small/" + name), at("small-copy/" + name)))
                return false;
        }
        return true;
    };

    const double bigCopier = best([&] { return copyThroughCopier(*copier, at("big"), at("big-copy")); }, removeTargets);
    const double bigLoop = best([&] { return copyByLoop(at("big"), at("big-copy"), false); }, removeTargets);
    const double bigLoopSynced = best([&] { return copyByLoop(at("big"), at("big-copy"), true); }, removeTargets);
    report("1 GiB file", double(kBigSize), bigCopier, bigLoop, bigLoopSynced);

    const double smallCopier = best(
        [&] { return smallCopies([&](const QString& from, const QString& to) { return copyThroughCopier(*copier, from, to); }); },
        removeTargets);
    const double smallLoop = best(
        [&] { return smallCopies([](const QString& from, const QString& to) { return copyByLoop(from, to, false); }); },
        removeTargets);
    const double smallLoopSynced = best(
        [&] { return smallCopies([](const QString& from, const QString& to) { return copyByLoop(from, to, true); }); },
        removeTargets);
    report("10,000 files of 4 KiB", double(kSmallCount) * kSmallSize, smallCopier, smallLoop, smallLoopSynced);

    run(QStringLiteral("rm -rf %1").arg(quoted(root)));
    plat::shutdownExecutors(plat::WaitClock::now() + std::chrono::seconds(3));
    plat::shutdownLogging();
    return 0;
}
