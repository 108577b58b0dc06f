// mivo-fsop: runs the program's file operations from a shell, for trying
// them by hand. Not shipped.
//
//   mivo-fsop copy SRC DEST   copies the file SRC through the stream copier;
//                             DEST is the new file, or a folder to copy into.
//                             A folder SRC is copied whole by the local file
//                             operation into the folder DEST.
//   mivo-fsop move SRC DEST   moves SRC into the folder DEST (one rename
//                             within a file system).
//   mivo-fsop trash SRC       moves SRC to its volume's trash.
//   mivo-fsop copy|move SRC DEST --option N [--merge]
//                             runs SRC into the folder DEST as one step of an
//                             operation, through the operation processor when
//                             merging: N is the overwrite option (1 ask,
//                             2 overwrite, 3 overwrite older, 4 skip,
//                             5 rename). Ask reads o, s, r or c from stdin
//                             (end of input cancels). A name that exists is
//                             settled by the option and the step repeated.
//
// Prints "progress: <percent>% <done>/<total> bytes" as the copy goes (by
// MiB when the size is unknown), then "result: <bytes>" and exits 0; on
// failure prints "error: <description>" and "result: -1" and exits 1.
// Usage errors exit 2.
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivLogSetup.h"
#include "FileData/MivUrlFileData.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/IMivOperationDelegate.h"
#include "app/operations/ICopyFileProcessorCallback.h"
#include "app/operations/MivAsyncAction.h"
#include "app/operations/MivFileOperationData.h"
#include "app/operations/MivFileOperationProcessor.h"
#include "app/operations/MivCopyFileStreamProcessor.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "platform/Error.h"
#include "platform/LocalFileOperation.h"
#include "platform/Log.h"
#include "platform/LoopThreadMainDispatcher.h"
#include "platform/NoDestructor.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"
#include "platform/RunLoop.h"
#include "platform/Shutdown.h"

#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// Relative to the working folder, which is read as bytes like any path.
QString fromArgument(const char* argument)
{
    QString path = plat::Path::fromNative(QByteArray(argument));
    if (path.startsWith(QLatin1Char('/')))
        return path;
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return path;
    return plat::PathString::appendingPathComponent(plat::Path::fromNative(QByteArray(buffer)), path);
}

bool exists(const QString& path)
{
    struct stat status;
    return ::stat(plat::Path::toNative(path).constData(), &status) == 0;
}

std::shared_ptr<MivOsxFileData> localItem(const QString& path, bool withRefresh)
{
    return MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(path), withRefresh);
}

bool isFolder(const QString& path)
{
    struct stat status;
    return ::stat(plat::Path::toNative(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

void printLine(const QString& line)
{
    std::fputs(plat::Path::toNative(line).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Prints a line whenever another whole percent (or MiB, for an unknown
// size) has passed.
class ProgressPrinter : public ICopyFileProcessorCallback
{
public:
    std::weak_ptr<MivCopyFileStreamProcessor> copier;

    void callback(quint64, qint64) override
    {
        const auto running = copier.lock();
        if (!running)
            return;
        const QVariantMap status = running->statusDictionaryForLength(0, QString());
        const quint64 done = status.value(QString::fromLatin1(kFSOperationBytesCompleteKey)).toULongLong();
        const quint64 total = status.value(QString::fromLatin1(kFSOperationTotalBytesKey)).toULongLong();
        const qint64 step = total > 0 ? qint64(done * 100 / total) : qint64(done >> 20);
        if (step == m_lastStep)
            return;
        m_lastStep = step;
        if (total > 0)
            printLine(QStringLiteral("progress: %1% %2/%3 bytes").arg(step).arg(done).arg(total));
        else
            printLine(QStringLiteral("progress: %1 bytes").arg(done));
    }
    void progress(const QVariant&, const QVariant&, const QVariant&, const QVariant&) override {}

private:
    qint64 m_lastStep = -1;
};

enum class Whole { Copy, Move, Trash };

// A whole entry through the local file operation, its reports awaited on this
// thread's run loop.
int wholeEntryCommand(Whole kind, const QString& from, const QString& to)
{
    const QString source = plat::PathString::standardizingPath(from);
    const QString folder = to.isNull() ? QString() : plat::PathString::standardizingPath(to);
    auto op = plat::LocalFileOperation::create();
    op->scheduleWithRunLoop(plat::RunLoop::current());
    qint32 result = 1;
    qint64 lastStep = -1;
    const auto callback = [&](const QString& path, quint32 stage, qint32 status, const QVariantMap& d) {
        const quint64 done = d.value(QLatin1String(plat::LocalFileOperation::kBytesCompleteKey)).toULongLong();
        const quint64 total = d.value(QLatin1String(plat::LocalFileOperation::kTotalBytesKey)).toULongLong();
        if (stage == plat::LocalFileOperation::Complete) {
            result = status;
            if (status != 0)
                printLine(QStringLiteral("error: %1 (%2)").arg(op->lastError().localizedDescription(), path));
            return;
        }
        const qint64 step = total > 0 ? qint64(done * 100 / total) : -1;
        if (step == lastStep)
            return;
        lastStep = step;
        printLine(total > 0 ? QStringLiteral("progress: %1% %2/%3 bytes").arg(step).arg(done).arg(total)
                            : QStringLiteral("progress: %1").arg(path));
    };
    const double interval = 0.25;
    const qint32 started = kind == Whole::Copy ? op->copyObject(source, folder, QString(), 0, callback, interval)
                           : kind == Whole::Move ? op->moveObject(source, folder, QString(), 0, callback, interval)
                                                 : op->moveObjectToTrash(source, 0, callback, interval);
    if (started != 0) {
        printLine(QStringLiteral("error: %1 (%2)").arg(plat::statusComment(started)).arg(started));
        printLine(QStringLiteral("result: %1").arg(started));
        return 1;
    }
    plat::RunLoop::current()->runUntil([&] { return op->isFinished(); }, plat::RunLoop::Clock::time_point::max());
    printLine(QStringLiteral("result: %1").arg(result));
    return result == 0 ? 0 : 1;
}

int copyCommand(const QString& from, const QString& to)
{
    const QString source = plat::PathString::standardizingPath(from);
    QString dest = plat::PathString::standardizingPath(to);
    if (!exists(source)) {
        printLine(QStringLiteral("error: %1 does not exist").arg(source));
        printLine(QStringLiteral("result: -1"));
        return 1;
    }
    if (isFolder(source)) {
        if (!isFolder(dest)) {
            printLine(QStringLiteral("error: %1 is a folder; it is copied into a folder").arg(source));
            return 2;
        }
        return wholeEntryCommand(Whole::Copy, source, dest);
    }
    if (isFolder(dest))
        dest = plat::PathString::appendingPathComponent(dest, plat::PathString::lastPathComponent(source));

    const auto printer = std::make_shared<ProgressPrinter>();
    const auto copier = MivCopyFileStreamProcessor::create(printer);
    printer->copier = copier;
    plat::Error error;
    const qint64 result = copier->copy(localItem(source, true), localItem(dest, false), MivCopyContext::create(),
                                       MivCopyContext::create(),
                                       MivCopyFileStreamProcessor::kCopyAttributesFlag
                                           | MivCopyFileStreamProcessor::kCopyPermissionsFlag,
                                       &error);
    if (result < 0) {
        if (error)
            printLine(QStringLiteral("error: %1").arg(error.localizedDescription()));
        else
            printLine(QStringLiteral("error: %1 could not be copied to %2").arg(source, dest));
    }
    printLine(QStringLiteral("result: %1").arg(result));
    return result < 0 ? 1 : 0;
}

// The operation item and the controller in one, as far as one source needs:
// prints progress, and settles a name that exists by the option.
class StepDriver : public IMivOperationDelegate,
                   public IMivAsyncActionDelegate,
                   public std::enable_shared_from_this<StepDriver>
{
public:
    std::atomic<bool> done{false};
    std::atomic<bool> repeat{false};
    std::atomic<int> status{0};

    void processCurrentFile() override {}
    void executeCurrentFileAction() override {}
    void finishFileOperation() override {}
    std::shared_ptr<IMivAsyncActionDelegate> asyncDelegate() override { return shared_from_this(); }
    void updateInfo(const QVariant&, const std::shared_ptr<MivFileOperationData>&) override {}
    void startOperation(const std::shared_ptr<MivFileOperationData>&) override {}
    void didReceiveCurrentPath(const QString& path, quint64 bytesCompleted, quint64 bytesTotal, double, int stage,
                               const std::shared_ptr<MivFileOperationData>&) override
    {
        if (stage == 2)
            printLine(QStringLiteral("progress: %1/%2 bytes %3").arg(bytesCompleted).arg(bytesTotal).arg(path));
    }
    void didAsyncOperationStarted(const std::shared_ptr<MivFileOperationData>&) override {}
    void didAsyncOperationComplete(const std::shared_ptr<MivFileOperationData>&) override { finish(); }
    bool didReceiveOperationError(const plat::Error& error, const QString& message,
                                  const std::shared_ptr<MivFileOperationData>& operation, const QString& path) override
    {
        const qint64 option = operation->option();
        if (error.code() == -48 && (option == MivFileOperationData::kOptionOverwrite
                                    || option == MivFileOperationData::kOptionRename)) {
            printLine(QStringLiteral("exists: %1 (repeated by the option)").arg(path));
            repeat.store(true);
            finish();
            return false;
        }
        printLine(QStringLiteral("error: %1 (%2)").arg(message.isEmpty() ? error.localizedDescription() : message, path));
        status.store(int(error.code()));
        return true;
    }

private:
    void finish()
    {
        done.store(true);
        plat::RunLoop* loop = m_loop.get();
        if (loop)
            loop->wake();
    }

public:
    std::shared_ptr<plat::RunLoop> m_loop = plat::RunLoop::current();
};

std::optional<MivFileOperationProcessor::OverwriteAnswer> askOnTerminal(const QString& path)
{
    printLine(QStringLiteral("exists: %1 - [o]verwrite, [s]kip, [r]ename, [c]ancel?").arg(path));
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return std::nullopt;
    switch (line[0]) {
    case 'o':
        return MivFileOperationProcessor::OverwriteAnswer{MivFileOperationData::kOptionOverwrite, true, false};
    case 's':
        return MivFileOperationProcessor::OverwriteAnswer{MivFileOperationData::kOptionSkip, true, false};
    case 'r':
        return MivFileOperationProcessor::OverwriteAnswer{MivFileOperationData::kOptionRename, true, false};
    default:
        return std::nullopt;
    }
}

// One source as one step of an operation, repeated while the option settles
// a name that exists.
int stepCommand(int kind, const QString& from, const QString& to, qint64 option, bool merge)
{
    const auto driver = std::make_shared<StepDriver>();
    const auto record = MivFileOperationData::create(driver);
    record->setOperation(kind);
    record->setSource({localItem(plat::PathString::standardizingPath(from), true)});
    record->setCurrentSourceIndex(0);
    record->setDest(localItem(plat::PathString::standardizingPath(to), true));
    record->setOption(option);
    record->setMergeFolders(merge);
    MivFileOperationProcessor::setOverwriteAnswerer(
        [](const std::shared_ptr<MivFileOperationData>&, const QString& path) { return askOnTerminal(path); });
    for (;;) {
        driver->done.store(false);
        driver->repeat.store(false);
        const auto action = MivAsyncAction::create(record);
        if (!action->execute()) {
            printLine(QStringLiteral("result: -1"));
            return 1;
        }
        plat::RunLoop::current()->runUntil([&] { return driver->done.load(); }, plat::RunLoop::Clock::time_point::max());
        if (!driver->repeat.load())
            break;
    }
    printLine(QStringLiteral("result: %1").arg(driver->status.load()));
    return driver->status.load() == 0 ? 0 : 1;
}

int usage()
{
    std::fputs("usage: mivo-fsop copy SRC DEST | move SRC DEST | trash SRC | copy|move SRC DEST --option N [--merge]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    // Log lines go to the program's log folder, not to the terminal.
    MivLogging::setupLogging();
    static plat::NoDestructor<plat::LoopThreadMainDispatcher> mainThread;
    plat::MainDispatcher::install(mainThread.get());
    // Errors a side shows on its own (an open that failed) are printed.
    MivErrorPresenter::setPresentationHandler(
        [](const plat::Error& error) { printLine(QStringLiteral("error: %1").arg(error.localizedDescription())); });
    MivFileDataManager::registerHooks();

    int status = 2;
    if ((argc == 6 || argc == 7) && qstrcmp(argv[4], "--option") == 0
        && (qstrcmp(argv[1], "copy") == 0 || qstrcmp(argv[1], "move") == 0)
        && (argc == 6 || qstrcmp(argv[6], "--merge") == 0)) {
        bool ok = false;
        const qint64 option = QByteArray(argv[5]).toLongLong(&ok);
        status = ok && option >= 1 && option <= 5
                     ? stepCommand(qstrcmp(argv[1], "copy") == 0 ? MivFileOperationData::kCopy : MivFileOperationData::kMove,
                                   fromArgument(argv[2]), fromArgument(argv[3]), option, argc == 7)
                     : usage();
    } else if (argc == 4 && qstrcmp(argv[1], "copy") == 0)
        status = copyCommand(fromArgument(argv[2]), fromArgument(argv[3]));
    else if (argc == 4 && qstrcmp(argv[1], "move") == 0)
        status = wholeEntryCommand(Whole::Move, fromArgument(argv[2]), fromArgument(argv[3]));
    else if (argc == 3 && qstrcmp(argv[1], "trash") == 0)
        status = wholeEntryCommand(Whole::Trash, fromArgument(argv[2]), QString());
    else
        status = usage();

    plat::shutdownExecutors(plat::WaitClock::now() + std::chrono::seconds(3));
    MivErrorPresenter::setPresentationHandler({});
    plat::shutdownLogging();
    return status;
}
