// Local-to-local copies through the items' transfer ends (download end of
// the source, upload end of the target, the stream pump between them),
// beside cp of the same data in the same run. Usage: local_copy_bench
// [folder] (default: the temporary folder). Makes a 1 GiB file and a folder
// of 10,000 small files there and removes everything after.
#include "FileData/IMivCopyFile.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"
#include "FileData/Transfer/MivFileStreamHandler.h"
#include "FileData/Transfer/MivStreamPump.h"
#include "platform/InputStream.h"
#include "platform/OutputStream.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <QDir>
#include <QElapsedTimer>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

// The chunk a copy engine would choose: 1 MiB for a big file, 64 KiB for
// small ones (every handler allocates and clears its chunk buffer).
constexpr quint64 kBigChunk = 1 << 20;
constexpr quint64 kSmallChunk = 64 << 10;
constexpr qint64 kBigSize = qint64(1) << 30;
constexpr int kSmallCount = 10000;
constexpr int kSmallSize = 4096;

std::shared_ptr<MivOsxFileData> localItem(const QString& path, bool withRefresh)
{
    return MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(path), withRefresh);
}

bool copyThroughItems(const QString& from, const QString& to, quint64 chunk)
{
    const auto source = localItem(from, true);
    const auto target = localItem(to, false);
    std::shared_ptr<plat::OutputStream> writeEnd;
    std::shared_ptr<plat::InputStream> readEnd;
    MivFileStreamHandler::createStreamPairWithBufferSize(chunk * 2, &writeEnd, &readEnd);
    const auto context = MivCopyContext::create();
    auto output = std::dynamic_pointer_cast<MivFileOutputStreamHandler>(source->openStream(writeEnd, chunk, target, context));
    if (!output)
        return false;
    auto input = std::dynamic_pointer_cast<MivFileInputStreamHandler>(target->openStream(readEnd, chunk, source, context));
    if (!input) {
        output->close();
        return false;
    }
    const auto pump = MivStreamPump::create(output, input);
    return pump->finish(source, pump->run());
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

bool run(const QString& command)
{
    return std::system(command.toLocal8Bit().constData()) == 0;
}

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

// The items' copies sync every file before it takes the target's place, so
// cp is shown twice: as it runs, and followed by a sync of what it wrote.
void report(const char* what, double bytes, double ours, double cp, double cpSynced)
{
    std::printf("%-24s items %7.3f s (%7.1f MB/s) | cp %7.3f s (%7.1f MB/s) ratio %.2fx"
                " | cp+sync %7.3f s (%7.1f MB/s) ratio %.2fx\n",
                what, ours, bytes / ours / 1e6, cp, bytes / cp / 1e6, cp / ours, cpSynced, bytes / cpSynced / 1e6,
                cpSynced / ours);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const QString root = plat::PathString::appendingPathComponent(
        base, QStringLiteral("mivo-copy-bench-%1").arg(QUuid::createUuid().toString(QUuid::Id128)));
    QDir().mkpath(root);
    std::mt19937_64 random(42);
    const auto at = [&](const QString& name) { return plat::PathString::appendingPathComponent(root, name); };
    const auto quoted = [](const QString& path) { return QStringLiteral("'%1'").arg(path); };

    writeFile(at("big"), kBigSize, random);
    QDir().mkpath(at("small"));
    for (int i = 0; i < kSmallCount; ++i)
        writeFile(at(QStringLiteral("small/f%1").arg(i)), kSmallSize, random);
    // Both copies read from the page cache.
    run(QStringLiteral("cat %1 > /dev/null").arg(quoted(at("big"))));

    const auto removeTargets = [&] {
        run(QStringLiteral("rm -rf %1 %2 %3 %4")
                .arg(quoted(at("big-items")), quoted(at("big-cp")), quoted(at("small-items")), quoted(at("small-cp"))));
    };
    const double bigItems = best([&] { return copyThroughItems(at("big"), at("big-items"), kBigChunk); }, removeTargets);
    const double bigCp = best([&] { return run(QStringLiteral("cp %1 %2").arg(quoted(at("big")), quoted(at("big-cp")))); },
                              removeTargets);
    const double bigCpSynced = best(
        [&] { return run(QStringLiteral("cp %1 %2 && sync %2").arg(quoted(at("big")), quoted(at("big-cp")))); },
        removeTargets);
    report("1 GiB file", double(kBigSize), bigItems, bigCp, bigCpSynced);

    const double smallItems = best(
        [&] {
            QDir().mkpath(at("small-items"));
            for (int i = 0; i < kSmallCount; ++i) {
                const QString name = QStringLiteral("f%1").arg(i);
                if (!copyThroughItems(at("small/" + name), at("small-items/" + name), kSmallChunk))
                    return false;
            }
            return true;
        },
        removeTargets);
    const double smallCp = best(
        [&] { return run(QStringLiteral("cp -r %1 %2").arg(quoted(at("small")), quoted(at("small-cp")))); }, removeTargets);
    const double smallCpSynced = best(
        [&] {
            return run(QStringLiteral("cp -r %1 %2 && sync %2/*").arg(quoted(at("small")), quoted(at("small-cp"))));
        },
        removeTargets);
    report("10,000 files of 4 KiB", double(kSmallCount) * kSmallSize, smallItems, smallCp, smallCpSynced);

    run(QStringLiteral("rm -rf %1").arg(quoted(root)));
    return 0;
}
