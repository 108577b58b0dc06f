#include "platform/LocalFileOperation.h"
#include "platform/Path.h"
#include "platform/PosixError.h"
#include "platform/RunLoop.h"
#include "platform/Trash.h"

#include "support/RerunAsNobody.h"
#include "support/ScopedTmpfs.h"

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <filesystem>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using plat::LocalFileOperation;
using namespace std::chrono_literals;

struct Report
{
    QString path;
    quint32 stage;
    qint32 status;
    QVariantMap dictionary;
    std::thread::id thread;
};

QByteArray native(const QString& path) { return plat::Path::toNative(path); }

void writeFile(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

// A file of size bytes made without holding them all: a sparse end would
// copy as a hole, so every block is written.
void writeLargeFile(const QByteArray& path, qint64 size)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    QByteArray block(1 << 20, 'x');
    for (qint64 done = 0; done < size; done += block.size()) {
        block[0] = char(done >> 20);
        ASSERT_EQ(::write(fd, block.constData(), size_t(std::min<qint64>(block.size(), size - done))),
                  std::min<qint64>(block.size(), size - done));
    }
    ::close(fd);
}

QByteArray readFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray all;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        all.append(buffer, n);
    ::close(fd);
    return all;
}

bool exists(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0;
}

// Names in a folder; temporary entries of an unfinished copy would show here.
QList<QByteArray> namesIn(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (dirent* entry = ::readdir(dir)) {
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names << QByteArray(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void removeAll(const QByteArray& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path.toStdString()), ignored);
}

bool holdsTemporary(const QByteArray& folder)
{
    for (const QByteArray& name : namesIn(folder)) {
        if (name.startsWith("mivo-tmp"))
            return true;
    }
    return false;
}

class LocalFileOperationTest : public ::testing::Test
{
protected:
    enum class Kind { Copy, Move, Trash };

    // Starts the operation on this thread's run loop and turns the loop until
    // the final report; the reports in order.
    std::vector<Report> run(Kind kind, const QString& source, const QString& folder, const QString& name = QString(),
                            quint32 flags = 0, LocalFileOperation::ClockFunction clock = {},
                            std::shared_ptr<LocalFileOperation>* keep = nullptr)
    {
        auto op = LocalFileOperation::create();
        if (keep)
            *keep = op;
        EXPECT_EQ(op->scheduleWithRunLoop(plat::RunLoop::current()), 0);
        if (clock)
            op->setClock(std::move(clock));
        auto reports = std::make_shared<std::vector<Report>>();
        const auto callback = [reports](const QString& path, quint32 stage, qint32 status, const QVariantMap& d) {
            reports->push_back(Report{path, stage, status, d, std::this_thread::get_id()});
        };
        qint32 started = 0;
        switch (kind) {
        case Kind::Copy:
            started = op->copyObject(source, folder, name, flags, callback, 0.25);
            break;
        case Kind::Move:
            started = op->moveObject(source, folder, name, flags, callback, 0.25);
            break;
        case Kind::Trash:
            started = op->moveObjectToTrash(source, flags, callback, 0.25);
            break;
        }
        m_startStatus = started;
        if (started != 0)
            return {};
        EXPECT_TRUE(plat::RunLoop::current()->runUntil([&] { return op->isFinished(); },
                                                        plat::RunLoop::Clock::now() + 120s));
        m_lastError = op->lastError();
        return *reports;
    }

    // The final report's status, after checking that the reports came as
    // promised: on this thread, stage 1 first, stage 3 last and only last.
    qint32 finalStatus(const std::vector<Report>& reports)
    {
        if (reports.empty())
            return m_startStatus ? m_startStatus : 1;
        EXPECT_EQ(reports.front().stage, LocalFileOperation::Preflighting);
        for (size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].thread, std::this_thread::get_id());
            EXPECT_EQ(reports[i].stage == LocalFileOperation::Complete, i + 1 == reports.size());
            if (i > 0) {
                EXPECT_GE(reports[i].stage, reports[i - 1].stage);
            }
        }
        return reports.back().status;
    }

    QString path(const char* relative) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(relative); }
    QByteArray raw(const char* relative) const { return native(path(relative)); }

    QTemporaryDir m_dir;
    qint32 m_startStatus = 0;
    plat::Error m_lastError;
};

TEST_F(LocalFileOperationTest, CopiesATreeWithItsLinksModesTimesAndAttributes)
{
    ASSERT_EQ(::mkdir(raw("src").constData(), 0755), 0);
    ASSERT_EQ(::mkdir(raw("src/empty").constData(), 0700), 0);
    ASSERT_EQ(::mkdir(raw("src/locked").constData(), 0755), 0);
    writeFile(raw("src/locked/inside"), "inside", 0400);
    ASSERT_EQ(::chmod(raw("src/locked").constData(), 0555), 0);
    writeFile(raw("src/a.txt"), "alpha", 0640);
    writeFile(raw("src") + "/caf\xE9.txt", "latin1 name");
    ASSERT_EQ(::symlink("a.txt", raw("src/inside-link").constData()), 0);
    ASSERT_EQ(::symlink("/nonexistent/outside", raw("src/outside-link").constData()), 0);
    const bool xattrs = ::setxattr(raw("src/a.txt").constData(), "user.mivo.test", "v", 1, 0) == 0;
    const struct timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, raw("src/a.txt").constData(), times, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, raw("src/empty").constData(), times, 0), 0);
    ASSERT_EQ(::mkdir(raw("dst").constData(), 0755), 0);

    const auto reports = run(Kind::Copy, path("src"), path("dst"), QStringLiteral("copy"));
    ASSERT_EQ(finalStatus(reports), 0) << m_lastError.description().toStdString();
    EXPECT_EQ(reports.back().dictionary.value(QLatin1String(LocalFileOperation::kBytesCompleteKey)).toDouble(),
              5 + 6 + 11);
    EXPECT_EQ(reports.back().dictionary.value(QLatin1String(LocalFileOperation::kTotalBytesKey)).toDouble(), 22);

    EXPECT_EQ(namesIn(raw("dst")), QList<QByteArray>{"copy"});
    EXPECT_EQ(namesIn(raw("src")), namesIn(raw("dst/copy")));
    EXPECT_EQ(readFile(raw("dst/copy/a.txt")), "alpha");
    EXPECT_EQ(readFile(raw("dst/copy") + "/caf\xE9.txt"), "latin1 name");
    EXPECT_EQ(readFile(raw("dst/copy/locked/inside")), "inside");
    struct stat info;
    ASSERT_EQ(::lstat(raw("dst/copy/a.txt").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(info.st_mtim.tv_nsec, 987654321);
    ASSERT_EQ(::lstat(raw("dst/copy/locked").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0555u);
    ASSERT_EQ(::lstat(raw("dst/copy/empty").constData(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
    EXPECT_TRUE(namesIn(raw("dst/copy/empty")).isEmpty());
    char link[256] = {};
    ASSERT_GT(::readlink(raw("dst/copy/inside-link").constData(), link, sizeof link - 1), 0);
    EXPECT_STREQ(link, "a.txt");
    std::fill(std::begin(link), std::end(link), 0);
    ASSERT_GT(::readlink(raw("dst/copy/outside-link").constData(), link, sizeof link - 1), 0);
    EXPECT_STREQ(link, "/nonexistent/outside") << "a dangling link is copied as it is";
    if (xattrs) {
        char value[8] = {};
        EXPECT_EQ(::getxattr(raw("dst/copy/a.txt").constData(), "user.mivo.test", value, sizeof value), 1);
        EXPECT_STREQ(value, "v");
    }
    ::chmod(raw("src/locked").constData(), 0755);
    ::chmod(raw("dst/copy/locked").constData(), 0755);
}

TEST_F(LocalFileOperationTest, AnExistingTargetIsReplacedOnlyWhenAskedAndOnlyOnceTheCopyIsComplete)
{
    ASSERT_EQ(::mkdir(raw("dst").constData(), 0755), 0);
    writeFile(raw("file"), "new file");
    ASSERT_EQ(::mkdir(raw("folder").constData(), 0755), 0);
    writeFile(raw("folder/new"), "new");

    struct Case
    {
        Kind kind;
        const char* source;
        quint32 flags;
        qint32 status;
    };
    const Case cases[] = {
        {Kind::Copy, "file", 0, plat::osstatus::dupFNErr},
        {Kind::Copy, "folder", 0, plat::osstatus::dupFNErr},
        {Kind::Move, "file", 0, plat::osstatus::dupFNErr},
        {Kind::Move, "folder", 0, plat::osstatus::dupFNErr},
        {Kind::Copy, "file", LocalFileOperation::kOverwrite, 0},
        {Kind::Copy, "folder", LocalFileOperation::kOverwrite, 0},
        {Kind::Move, "file", LocalFileOperation::kOverwrite, 0},
        {Kind::Move, "folder", LocalFileOperation::kOverwrite, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " flags " + std::to_string(c.flags));
        const QByteArray target = raw("dst/") + c.source;
        removeAll(target);
        if (QByteArray(c.source) == "file") {
            writeFile(target, "old file");
        } else {
            ASSERT_EQ(::mkdir(target.constData(), 0755), 0);
            writeFile(target + "/old", "old");
        }
        const auto reports = run(c.kind, path(c.source), path("dst"), QString(), c.flags);
        EXPECT_EQ(finalStatus(reports), c.status);
        EXPECT_FALSE(holdsTemporary(raw("dst")));
        EXPECT_EQ(exists(raw(c.source)), c.kind == Kind::Copy || c.status != 0) << "a failed move keeps its source";
        if (QByteArray(c.source) == "file") {
            EXPECT_EQ(readFile(target), c.status ? "old file" : "new file");
        } else {
            EXPECT_EQ(namesIn(target), c.status ? QList<QByteArray>{"old"} : QList<QByteArray>{"new"});
        }
    }
}

TEST_F(LocalFileOperationTest, RefusesWhatWouldDestroyItsOwnSource)
{
    ASSERT_EQ(::mkdir(raw("folder").constData(), 0755), 0);
    writeFile(raw("folder/keep"), "keep");
    // Onto itself, even when allowed to replace.
    EXPECT_EQ(finalStatus(run(Kind::Copy, path("folder"), m_dir.path(), QString(), LocalFileOperation::kOverwrite)),
              plat::osstatus::dupFNErr);
    EXPECT_EQ(finalStatus(run(Kind::Move, path("folder"), m_dir.path(), QString(), LocalFileOperation::kOverwrite)),
              plat::osstatus::dupFNErr);
    // Into itself.
    EXPECT_EQ(finalStatus(run(Kind::Copy, path("folder"), path("folder"), QStringLiteral("again"))),
              plat::osstatus::ioErr);
    EXPECT_EQ(readFile(raw("folder/keep")), "keep");
    EXPECT_EQ(namesIn(raw("folder")), QList<QByteArray>{"keep"});
}

TEST_F(LocalFileOperationTest, StartRefusalsComeAsStatusesWithoutReports)
{
    writeFile(raw("file"), "x");
    struct Case
    {
        QString source;
        QString folder;
        QString name;
        qint32 status;
    };
    const Case cases[] = {
        {path("missing"), m_dir.path(), QString(), plat::osstatus::fnfErr},
        {path("file"), path("no-folder"), QString(), plat::osstatus::fnfErr},
        {path("file"), path("file"), QStringLiteral("x"), plat::osstatus::fnfErr},
        {path("file"), m_dir.path(), QStringLiteral(""), plat::osstatus::bdNamErr},
        {path("file"), m_dir.path(), QStringLiteral("."), plat::osstatus::bdNamErr},
        {path("file"), m_dir.path(), QStringLiteral(".."), plat::osstatus::bdNamErr},
        {path("file"), m_dir.path(), QStringLiteral("../escape"), plat::osstatus::bdNamErr},
        {path("file"), m_dir.path(), QStringLiteral("a\nb"), plat::osstatus::bdNamErr},
        {path("file"), m_dir.path(), QStringLiteral("a\rb"), plat::osstatus::bdNamErr},
        {path("file"), m_dir.path(), QStringLiteral("a") + QChar(0) + QStringLiteral("b"), plat::osstatus::bdNamErr},
        {QStringLiteral("/"), m_dir.path(), QString(), plat::osstatus::bdNamErr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString() + " " + c.source.toStdString());
        EXPECT_TRUE(run(Kind::Copy, c.source, c.folder, c.name).empty());
        EXPECT_EQ(m_startStatus, c.status);
    }
    EXPECT_EQ(namesIn(native(m_dir.path())), QList<QByteArray>{"file"});

    auto unscheduled = LocalFileOperation::create();
    EXPECT_EQ(unscheduled->copyObject(path("file"), m_dir.path(), QStringLiteral("y"), 0,
                                      [](const QString&, quint32, qint32, const QVariantMap&) {}, 0.25),
              plat::osstatus::paramErr);
}

TEST_F(LocalFileOperationTest, AMoveWithinOneVolumeIsOneRename)
{
    ASSERT_EQ(::mkdir(raw("tree").constData(), 0755), 0);
    writeFile(raw("tree/f"), "f");
    ASSERT_EQ(::mkdir(raw("dst").constData(), 0755), 0);
    struct stat before;
    ASSERT_EQ(::lstat(raw("tree").constData(), &before), 0);
    EXPECT_EQ(finalStatus(run(Kind::Move, path("tree"), path("dst"))), 0);
    struct stat after;
    ASSERT_EQ(::lstat(raw("dst/tree").constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "renamed, not copied";
    EXPECT_FALSE(exists(raw("tree")));
    EXPECT_EQ(readFile(raw("dst/tree/f")), "f");
}

TEST_F(LocalFileOperationTest, AMoveAcrossVolumesCopiesThenDeletesTheSource)
{
    mivtest::ScopedTmpfs one(path("one"), QStringLiteral("4M"));
    mivtest::ScopedTmpfs two(path("two"), QStringLiteral("1M"));
    if (!one.mounted() || !two.mounted())
        GTEST_SKIP() << one.whyNot() << two.whyNot();
    ASSERT_EQ(::mkdir(raw("one/tree").constData(), 0755), 0);
    ASSERT_EQ(::mkdir(raw("one/tree/sub").constData(), 0755), 0);
    writeFile(raw("one/tree/sub/small"), "small");
    ASSERT_EQ(::symlink("sub/small", raw("one/tree/link").constData()), 0);
    EXPECT_EQ(finalStatus(run(Kind::Move, path("one/tree"), path("two"))), 0) << m_lastError.description().toStdString();
    EXPECT_FALSE(exists(raw("one/tree")));
    EXPECT_EQ(readFile(raw("two/tree/sub/small")), "small");
    EXPECT_EQ(readFile(raw("two/tree/link")), "small");

    // The last file does not fit: nothing arrives, nothing is lost.
    ASSERT_EQ(::mkdir(raw("one/big").constData(), 0755), 0);
    writeFile(raw("one/big/a-first"), "first");
    writeLargeFile(raw("one/big/z-last"), 2 << 20);
    EXPECT_EQ(finalStatus(run(Kind::Move, path("one/big"), path("two"))), plat::osstatus::dskFulErr);
    EXPECT_EQ(namesIn(raw("one/big")), (QList<QByteArray>{"a-first", "z-last"}));
    EXPECT_EQ(QFileInfo(path("one/big/z-last")).size(), 2 << 20);
    EXPECT_EQ(namesIn(raw("two")), QList<QByteArray>{"tree"});
}

TEST_F(LocalFileOperationTest, AFullVolumeLeavesTheOldTargetAndNoTemporaryFile)
{
    mivtest::ScopedTmpfs small(path("small"), QStringLiteral("1M"));
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot();
    writeFile(raw("small/target"), "old target");
    writeLargeFile(raw("big"), 2 << 20);
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        const auto reports = run(kind, path("big"), path("small"), QStringLiteral("target"),
                                 LocalFileOperation::kOverwrite);
        EXPECT_EQ(finalStatus(reports), plat::osstatus::dskFulErr);
        EXPECT_EQ(readFile(raw("small/target")), "old target");
        EXPECT_EQ(namesIn(raw("small")), QList<QByteArray>{"target"});
        EXPECT_TRUE(exists(raw("big")));
    }

    // A folder replacing a folder: the old one stays whole until the new one
    // is complete, which here it never is.
    ASSERT_EQ(::mkdir(raw("small/tree").constData(), 0755), 0);
    writeFile(raw("small/tree/old"), "old");
    ASSERT_EQ(::mkdir(raw("tree").constData(), 0755), 0);
    writeFile(raw("tree/a-new"), "new");
    writeLargeFile(raw("tree/z-big"), 2 << 20);
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        EXPECT_EQ(finalStatus(run(kind, path("tree"), path("small"), QString(), LocalFileOperation::kOverwrite)),
                  plat::osstatus::dskFulErr);
        EXPECT_EQ(namesIn(raw("small")), (QList<QByteArray>{"target", "tree"}));
        EXPECT_EQ(namesIn(raw("small/tree")), QList<QByteArray>{"old"});
        EXPECT_EQ(namesIn(raw("tree")), (QList<QByteArray>{"a-new", "z-big"}));
    }
}

TEST_F(LocalFileOperationTest, ACancelMidFileKeepsTheSourceAndLeavesNoPartialCopy)
{
    writeLargeFile(raw("big"), 64 << 20);
    ASSERT_EQ(::mkdir(raw("dst").constData(), 0755), 0);
    // The clock is read at every chunk: cancel once the first bytes are in
    // the temporary file, whatever the speed of the disk.
    std::shared_ptr<LocalFileOperation> op;
    std::atomic<bool> sawBytes{false};
    const QByteArray dst = raw("dst");
    auto clock = [&] {
        for (const QByteArray& name : namesIn(dst)) {
            struct stat info;
            if (name.startsWith("mivo-tmp") && ::lstat((dst + '/' + name).constData(), &info) == 0
                && info.st_size > 0 && !sawBytes.exchange(true))
                op->cancel();
        }
        return LocalFileOperation::Clock::now();
    };
    for (const Kind kind : {Kind::Copy, Kind::Move}) {
        sawBytes = false;
        // Across a volume the move copies; within one it would just rename.
        mivtest::ScopedTmpfs other(path("dst"), QStringLiteral("80M"));
        if (kind == Kind::Move && !other.mounted())
            GTEST_SKIP() << other.whyNot();
        const auto reports = run(kind, path("big"), path("dst"), QString(), 0, clock, &op);
        EXPECT_TRUE(sawBytes.load());
        EXPECT_EQ(finalStatus(reports), plat::osstatus::userCanceledErr);
        EXPECT_TRUE(namesIn(dst).isEmpty());
        EXPECT_EQ(QFileInfo(path("big")).size(), 64 << 20);
    }
}

TEST_F(LocalFileOperationTest, ReportsComeAtMostOncePerIntervalOnTheSchedulingThread)
{
    writeLargeFile(raw("big"), 40 << 20);
    ASSERT_EQ(::mkdir(raw("dst").constData(), 0755), 0);
    // A clock that never moves: only the first and the final report.
    const auto frozenAt = LocalFileOperation::Clock::now();
    const auto frozen = run(Kind::Copy, path("big"), path("dst"), QStringLiteral("a"), 0, [=] { return frozenAt; });
    EXPECT_EQ(finalStatus(frozen), 0);
    ASSERT_EQ(frozen.size(), 2u);
    EXPECT_EQ(frozen.front().stage, LocalFileOperation::Preflighting);

    // A clock that moves a whole interval at every reading: a report at
    // every chunk, the byte counts growing.
    auto ticks = std::make_shared<std::atomic<int>>(0);
    const auto stepping = run(Kind::Copy, path("big"), path("dst"), QStringLiteral("b"), 0, [=] {
        return frozenAt + std::chrono::milliseconds(250 * ticks->fetch_add(1));
    });
    EXPECT_EQ(finalStatus(stepping), 0);
    ASSERT_GE(stepping.size(), 5u) << "40 MiB take several chunks";
    double last = -1;
    for (const Report& r : stepping) {
        const double complete = r.dictionary.value(QLatin1String(LocalFileOperation::kBytesCompleteKey)).toDouble();
        EXPECT_GE(complete, last);
        last = complete;
        EXPECT_EQ(r.dictionary.value(QLatin1String(LocalFileOperation::kTotalBytesKey)).toDouble() > 0, r.stage > 1);
        EXPECT_EQ(r.path, path("big"));
    }
    EXPECT_EQ(last, 40 << 20);
    EXPECT_GT(stepping.back().dictionary.value(QLatin1String(LocalFileOperation::kThroughputKey)).toDouble(), 0);
}

TEST_F(LocalFileOperationTest, TrashesIntoEachVolumesTrashEvenUnderOneName)
{
    writeFile(raw("same"), "first");
    EXPECT_EQ(finalStatus(run(Kind::Trash, path("same"), QString())), 0);
    writeFile(raw("same"), "second");
    EXPECT_EQ(finalStatus(run(Kind::Trash, path("same"), QString())), 0);
    EXPECT_FALSE(exists(raw("same")));
    const QByteArray files = native(plat::Trash::homeTrashFolder()) + "/files";
    QList<QByteArray> trashed;
    for (const QByteArray& name : namesIn(files)) {
        if (name.startsWith("same"))
            trashed << readFile(files + '/' + name);
    }
    std::sort(trashed.begin(), trashed.end());
    EXPECT_EQ(trashed, (QList<QByteArray>{"first", "second"}));

    mivtest::ScopedTmpfs volume(path("volume"));
    if (!volume.mounted())
        GTEST_SKIP() << volume.whyNot();
    writeFile(raw("volume") + "/caf\xE9", "on the volume");
    EXPECT_EQ(finalStatus(run(Kind::Trash, plat::Path::fromNative(raw("volume") + "/caf\xE9"), QString())), 0);
    const QByteArray volumeFiles = raw("volume/.Trash-") + QByteArray::number(::getuid()) + "/files";
    EXPECT_EQ(readFile(volumeFiles + "/caf\xE9"), "on the volume");
    EXPECT_EQ(finalStatus(run(Kind::Trash, path("volume/missing"), QString())), plat::osstatus::fnfErr);
}

// Shared between the test (root) and its re-run as nobody.
QString nobodyFolder(pid_t owner) { return QStringLiteral("/tmp/mivo-fileop-%1").arg(owner); }

TEST(LocalFileOperationAsUserTest, AFolderClosedToTheUserGivesAccessDenied)
{
    if (::getuid() != 0) {
        const QString folder = nobodyFolder(::getppid());
        auto op = LocalFileOperation::create();
        ASSERT_EQ(op->scheduleWithRunLoop(plat::RunLoop::current()), 0);
        qint32 status = 1;
        ASSERT_EQ(op->copyObject(folder + QStringLiteral("/mine"), folder + QStringLiteral("/closed"), QString(), 0,
                                 [&](const QString&, quint32 stage, qint32 s, const QVariantMap&) {
                                     if (stage == LocalFileOperation::Complete)
                                         status = s;
                                 },
                                 0.25),
                  0);
        ASSERT_TRUE(plat::RunLoop::current()->runUntil([&] { return op->isFinished(); },
                                                        plat::RunLoop::Clock::now() + 60s));
        EXPECT_EQ(status, plat::osstatus::afpAccessDenied);
        EXPECT_TRUE(namesIn(native(folder + QStringLiteral("/closed"))).isEmpty());
        return;
    }
    const QByteArray folder = native(nobodyFolder(::getpid()));
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    ASSERT_EQ(::mkdir((folder + "/closed").constData(), 0755), 0);
    writeFile(folder + "/mine", "mine", 0644);
    const mivtest::RerunResult rerun =
        mivtest::rerunAsNobody(QStringLiteral("LocalFileOperationAsUserTest.AFolderClosedToTheUserGivesAccessDenied"));
    ::unlink((folder + "/mine").constData());
    ::rmdir((folder + "/closed").constData());
    ::rmdir(folder.constData());
    EXPECT_TRUE(rerun.passed()) << rerun.output.toStdString();
}

} // namespace
