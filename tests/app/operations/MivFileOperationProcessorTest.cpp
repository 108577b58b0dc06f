#include "FileData/Local/LocalTestFolder.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataManager.h"
#include "OperationTestSupport.h"
#include "app/operations/IMivFileOperationCallback.h"
#include "app/operations/MivAsyncAction.h"
#include "app/operations/MivFileOperationData.h"
#include "app/operations/MivFileOperationProcessor.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "support/MemoryFileData.h"
#include "support/RandomBytes.h"
#include "support/ScopedTmpfs.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using localtest::LocalFolderTest;
using mivtest::MemoryFileData;
using Answer = MivFileOperationProcessor::OverwriteAnswer;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Writes a file, making its folders first.
void put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

bool existsNoFollow(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

struct StepReport
{
    quint32 stage;
    qint32 error;
};

// The step's receiver: records every report; the run has ended at its
// final report, or at a conflict handed to the controller.
class RecordingCallback : public IMivFileOperationCallback
{
public:
    std::atomic<bool> ended{false};
    std::function<void(quint32, const std::optional<QVariantMap>&)> onReport;

    void doOnFileOperation(const QString&, quint32 stage, qint32 error, const std::optional<QVariantMap>& status,
                           const std::shared_ptr<MivFileProcessingData>&) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_reports.push_back({stage, error});
        }
        if (onReport)
            onReport(stage, status);
        if (stage == 3 || error == MivFileOperationProcessor::kStatusDuplicate)
            ended.store(true);
    }
    std::vector<StepReport> reports() const
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }
    // The final report's status, or 1 when the run ended without one.
    qint32 finalStatus() const
    {
        for (const StepReport& report : reports())
            if (report.stage == 3)
                return report.error;
        return 1;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<StepReport> m_reports;
};

// Answers the overwrite questions from a script and counts them.
class ScriptedAnswerer
{
public:
    explicit ScriptedAnswerer(std::vector<std::optional<Answer>> script) : m_script(std::move(script))
    {
        m_previous = MivFileOperationProcessor::setOverwriteAnswerer(
            [this](const std::shared_ptr<MivFileOperationData>&, const QString& path) -> std::optional<Answer> {
                std::lock_guard lock(m_mutex);
                m_paths.append(path);
                if (m_next >= m_script.size())
                    return std::nullopt;
                return m_script[m_next++];
            });
    }
    ~ScriptedAnswerer() { MivFileOperationProcessor::setOverwriteAnswerer(m_previous); }
    QStringList paths() const
    {
        std::lock_guard lock(m_mutex);
        return m_paths;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::optional<Answer>> m_script;
    size_t m_next = 0;
    QStringList m_paths;
    MivFileOperationProcessor::OverwriteAnswerer m_previous;
};

class ProcessorTest : public LocalFolderTest
{
protected:
    void SetUp() override
    {
        LocalFolderTest::SetUp();
        MivFileDataManager::registerHooks();
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) {
            std::lock_guard lock(m_errorsMutex);
            m_presented.append(error.localizedDescription());
        });
    }
    void TearDown() override
    {
        MivErrorPresenter::setPresentationHandler({});
        LocalFolderTest::TearDown();
    }

    std::shared_ptr<MivFileOperationData> record(int kind, const MivFileDataPtr& source, const QString& destFolder,
                                                 qint64 option, bool merge)
    {
        auto record = m_record.record;
        record->setOperation(kind);
        record->setSource({source});
        record->setCurrentSourceIndex(0);
        record->setDest(item(destFolder));
        record->setOption(option);
        record->setMergeFolders(merge);
        return record;
    }

    // Runs the processor for the record's current source and waits for its
    // end.
    std::shared_ptr<RecordingCallback> run(const std::shared_ptr<MivFileOperationData>& record, quint32 flags = 0,
                                           std::function<void(const std::shared_ptr<MivFileOperationProcessor>&,
                                                              RecordingCallback&)> prepare = {})
    {
        const auto callback = std::make_shared<RecordingCallback>();
        const auto processor = MivFileOperationProcessor::create(record);
        record->setProcessor(processor);
        processor->setChangeInterval(-1);
        if (prepare)
            prepare(processor, *callback);
        EXPECT_EQ(processor->processWithCallback(callback, flags), 0);
        // The worker's errors are shown on this thread: its loop turns.
        EXPECT_TRUE(mivtest::waitUntil([&callback] { return callback->ended.load(); }));
        return callback;
    }

    QStringList presented() const
    {
        std::lock_guard lock(m_errorsMutex);
        return m_presented;
    }

    optest::RecordWithDelegate m_record;
    mutable std::mutex m_errorsMutex;
    QStringList m_presented;
};

// A merge walks the folders that exist on both sides, hands each new
// sub-tree whole to the local operation, and settles existing files by the
// option; what only the destination has stays.
TEST_F(ProcessorTest, MergesIntoExistingFoldersByTheOption)
{
    struct Case
    {
        qint64 option;
        QByteArray expectedShared;
    };
    for (const Case& c : {Case{MivFileOperationData::kOptionOverwrite, "new"}, Case{MivFileOperationData::kOptionSkip, "old"}}) {
        SCOPED_TRACE(c.option);
        QDir(path(QStringLiteral("src"))).removeRecursively();
        QDir(path(QStringLiteral("dst"))).removeRecursively();
        makeFolder(path(QStringLiteral("src/A/sub/deep")));
        makeFolder(path(QStringLiteral("src/A/empty")));
        put(path(QStringLiteral("src/A/shared.txt")), "new");
        put(path(QStringLiteral("src/A/sub/one")), "1");
        put(path(QStringLiteral("src/A/sub/deep/two")), "2");
        makeFolder(path(QStringLiteral("dst/A")));
        put(path(QStringLiteral("dst/A/shared.txt")), "old");
        put(path(QStringLiteral("dst/A/mine")), "kept");

        const auto callback = run(record(MivFileOperationData::kCopy, item(path(QStringLiteral("src/A"))),
                                         path(QStringLiteral("dst")), c.option, true));
        EXPECT_EQ(callback->finalStatus(), 0);
        EXPECT_EQ(readAll(path(QStringLiteral("dst/A/shared.txt"))), c.expectedShared);
        EXPECT_EQ(readAll(path(QStringLiteral("dst/A/mine"))), "kept");
        EXPECT_EQ(readAll(path(QStringLiteral("dst/A/sub/deep/two"))), "2");
        EXPECT_EQ(entries(path(QStringLiteral("dst/A"))), (QStringList{"empty", "mine", "shared.txt", "sub"}));
        EXPECT_TRUE(entries(path(QStringLiteral("dst/A/empty"))).isEmpty());
        EXPECT_EQ(readAll(path(QStringLiteral("src/A/shared.txt"))), "new");
    }
}

// Without merging, a conflict goes to the controller as -48 and the run
// ends without its final report; the destination is untouched.
TEST_F(ProcessorTest, AConflictWithoutMergeEndsTheRunWithDuplicateStatus)
{
    put(path(QStringLiteral("src/a.txt")), "new");
    put(path(QStringLiteral("dst/a.txt")), "old");
    const auto memory = MemoryFileData::create(QStringLiteral("a.txt"), "new");
    const auto callback =
        run(record(MivFileOperationData::kCopy, memory, path(QStringLiteral("dst")), MivFileOperationData::kOptionAsk, false));
    EXPECT_EQ(callback->finalStatus(), 1);
    bool sawDuplicate = false;
    for (const StepReport& report : callback->reports())
        sawDuplicate = sawDuplicate || (report.stage == 2 && report.error == -48);
    EXPECT_TRUE(sawDuplicate);
    EXPECT_EQ(readAll(path(QStringLiteral("dst/a.txt"))), "old");
}

// The overwrite question of a merge is answered by the scripted answerer on
// the worker; no answer, or "ask" once more, cancels instead of asking
// forever, and nothing is overwritten.
TEST_F(ProcessorTest, OverwriteQuestionsFollowTheAnswerAndNoAnswerCancels)
{
    struct Case
    {
        std::vector<std::optional<Answer>> script;
        QStringList expected;
        QByteArray expectedOld;
        qint32 finalStatus;
    };
    const Case cases[] = {
        {{Answer{MivFileOperationData::kOptionRename, false, false}}, {"a-cpy.txt", "a.txt", "b.txt"}, "old", 0},
        {{Answer{MivFileOperationData::kOptionOverwrite, false, false}}, {"a.txt", "b.txt"}, "new", 0},
        {{Answer{MivFileOperationData::kOptionSkip, false, false}}, {"a.txt", "b.txt"}, "old", 0},
        // A cancel stops the walk; what came before it may have been copied.
        {{std::nullopt}, {}, "old", -128},
        {{Answer{MivFileOperationData::kOptionAsk, false, false}}, {}, "old", -128},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        QDir(path(QStringLiteral("src"))).removeRecursively();
        QDir(path(QStringLiteral("dst"))).removeRecursively();
        put(path(QStringLiteral("src/F/a.txt")), "new");
        put(path(QStringLiteral("src/F/b.txt")), "b");
        put(path(QStringLiteral("dst/F/a.txt")), "old");
        ScriptedAnswerer answerer(c.script);
        optest::RecordWithDelegate fresh;
        m_record = fresh;
        const auto callback = run(record(MivFileOperationData::kCopy, item(path(QStringLiteral("src/F"))),
                                         path(QStringLiteral("dst")), MivFileOperationData::kOptionAsk, true));
        EXPECT_EQ(callback->finalStatus(), c.finalStatus);
        EXPECT_EQ(answerer.paths(), (QStringList{path(QStringLiteral("dst/F/a.txt"))}));
        if (!c.expected.isEmpty())
            EXPECT_EQ(entries(path(QStringLiteral("dst/F"))), c.expected);
        EXPECT_FALSE(entries(path(QStringLiteral("dst/F"))).contains(QStringLiteral("a-cpy.txt")) && c.finalStatus != 0);
        EXPECT_EQ(readAll(path(QStringLiteral("dst/F/a.txt"))), c.expectedOld);
        // A single answer holds for one item only.
        EXPECT_EQ(m_record.record->option(), MivFileOperationData::kOptionAsk);
    }
}

// A link into the copied tree is made again pointing inside the copy; one
// that points outside brings what it points to.
TEST_F(ProcessorTest, LinksInsideTheTreeStayLinksAndLinksOutsideBringTheirTarget)
{
    put(path(QStringLiteral("elsewhere/outside.txt")), "outer");
    put(path(QStringLiteral("src/T/real.txt")), "inner");
    link(QStringLiteral("real.txt"), path(QStringLiteral("src/T/in")));
    link(path(QStringLiteral("elsewhere/outside.txt")), path(QStringLiteral("src/T/out")));
    makeFolder(path(QStringLiteral("dst/T")));
    const auto callback = run(record(MivFileOperationData::kCopy, item(path(QStringLiteral("src/T"))),
                                     path(QStringLiteral("dst")), MivFileOperationData::kOptionOverwrite, true));
    EXPECT_EQ(callback->finalStatus(), 0);
    const QFileInfo in(path(QStringLiteral("dst/T/in")));
    EXPECT_TRUE(in.isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(path(QStringLiteral("dst/T/in"))), path(QStringLiteral("dst/T/real.txt")));
    EXPECT_EQ(readAll(path(QStringLiteral("dst/T/in"))), "inner");
    const QFileInfo out(path(QStringLiteral("dst/T/out")));
    EXPECT_FALSE(out.isSymLink());
    EXPECT_EQ(readAll(path(QStringLiteral("dst/T/out"))), "outer");
}

// A merged move removes a source folder only once it is empty: skipped
// items stay where they were, with their folder.
TEST_F(ProcessorTest, AMoveRemovesOnlySourceFoldersThatAreLeftEmpty)
{
    put(path(QStringLiteral("src/M/a")), "a");
    makeFolder(path(QStringLiteral("src/M/gone/empty")));
    put(path(QStringLiteral("src/M/kept/zz")), "source zz");
    makeFolder(path(QStringLiteral("dst/M/kept")));
    put(path(QStringLiteral("dst/M/kept/zz")), "dest zz");
    const auto callback = run(record(MivFileOperationData::kMove, item(path(QStringLiteral("src/M"))),
                                     path(QStringLiteral("dst")), MivFileOperationData::kOptionSkip, true));
    EXPECT_EQ(callback->finalStatus(), 0);
    EXPECT_EQ(readAll(path(QStringLiteral("dst/M/a"))), "a");
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("dst/M/gone/empty"))).isDir());
    EXPECT_EQ(readAll(path(QStringLiteral("dst/M/kept/zz"))), "dest zz");
    // The skipped file and the folders that hold it stay; the rest moved.
    EXPECT_EQ(readAll(path(QStringLiteral("src/M/kept/zz"))), "source zz");
    EXPECT_EQ(entries(path(QStringLiteral("src/M"))), (QStringList{"kept"}));
}

// A move whose last file fails: the files before it have moved, the failed
// one stays at its source, and an existing destination the copy never
// replaced is kept (never deleted as an "incomplete copy").
TEST_F(ProcessorTest, AFailedMoveKeepsTheSourceAndADestinationItDidNotMake)
{
    const auto failing = MemoryFileData::create(QStringLiteral("last.bin"), mivtest::randomBytes(300000, 7));
    failing->downloadOptions.maxChunk = 4096;
    failing->downloadOptions.failAfter = 100000;
    put(path(QStringLiteral("dst/last.bin")), "user's own file");
    const auto callback = run(record(MivFileOperationData::kMove, failing, path(QStringLiteral("dst")),
                                     MivFileOperationData::kOptionOverwrite, false),
                              MivFileOperationProcessor::kOverwriteFlag);
    EXPECT_EQ(readAll(path(QStringLiteral("dst/last.bin"))), "user's own file");
    EXPECT_EQ(entries(path(QStringLiteral("dst"))), (QStringList{"last.bin"}));
    EXPECT_EQ(failing->data().size(), 300000);
    EXPECT_TRUE(mivtest::waitUntil([this] { return !presented().isEmpty(); }));

    // Without an earlier file the failed copy leaves nothing behind either.
    ::unlink(QFile::encodeName(path(QStringLiteral("dst/last.bin"))).constData());
    optest::RecordWithDelegate fresh;
    m_record = fresh;
    run(record(MivFileOperationData::kMove, failing, path(QStringLiteral("dst")), MivFileOperationData::kOptionOverwrite,
               false));
    EXPECT_TRUE(entries(path(QStringLiteral("dst"))).isEmpty());
}

// A cancel in the middle of a file stops the copy: the source stays, no
// partial destination or temporary file is left, and the run ends with
// -128.
TEST_F(ProcessorTest, CancelMidFileLeavesNoPartialDestination)
{
    const auto source = MemoryFileData::create(QStringLiteral("big.bin"), mivtest::randomBytes(1 << 20, 9));
    source->downloadOptions.maxChunk = 4096;
    makeFolder(path(QStringLiteral("dst")));
    std::atomic<int> running{0};
    const auto callback = run(record(MivFileOperationData::kMove, source, path(QStringLiteral("dst")),
                                     MivFileOperationData::kOptionOverwrite, false),
                              0, [&running](const std::shared_ptr<MivFileOperationProcessor>& processor, RecordingCallback& receiver) {
                                  const std::weak_ptr<MivFileOperationProcessor> weak = processor;
                                  receiver.onReport = [weak, &running](quint32 stage, const std::optional<QVariantMap>& status) {
                                      const double done = status ? status->value(QLatin1String(kFSOperationBytesCompleteKey)).toDouble() : 0;
                                      if (stage == 2 && done > 0 && ++running == 2) {
                                          if (const auto strong = weak.lock())
                                              strong->cancel();
                                      }
                                  };
                              });
    EXPECT_EQ(callback->finalStatus(), -128);
    EXPECT_TRUE(entries(path(QStringLiteral("dst"))).isEmpty());
    EXPECT_EQ(source->data().size(), 1 << 20);
}

// Names that are no single name are skipped with an error; the rest of the
// run goes on.
TEST_F(ProcessorTest, HostileNamesAreSkippedWithAnError)
{
    makeFolder(path(QStringLiteral("dst")));
    const char* names[] = {"..", ".", "a\nb", "a\rb", "x/.."};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        optest::RecordWithDelegate fresh;
        m_record = fresh;
        const int before = presented().size();
        const auto source = MemoryFileData::create(QString::fromLatin1(name), "payload");
        const auto callback = run(record(MivFileOperationData::kCopy, source, path(QStringLiteral("dst")),
                                         MivFileOperationData::kOptionOverwrite, false));
        EXPECT_EQ(callback->finalStatus(), 0);
        EXPECT_TRUE(mivtest::waitUntil([&] { return presented().size() == before + 1; }));
        EXPECT_TRUE(entries(path(QStringLiteral("dst"))).isEmpty());
        EXPECT_TRUE(entries(m_dir.path()).contains(QStringLiteral("dst")));
        EXPECT_EQ(entries(m_dir.path()).size(), 1);
    }
}

// A full volume fails the copy with its error; the old target stays whole
// and no temporary file is left.
TEST_F(ProcessorTest, DiskFullKeepsTheOldTargetAndLeavesNoTemporaryFile)
{
    mivtest::ScopedTmpfs small(path(QStringLiteral("small")), QStringLiteral("1M"));
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot();
    put(path(QStringLiteral("small/big.bin")), "old target");
    const auto source = MemoryFileData::create(QStringLiteral("big.bin"), mivtest::randomBytes(2 << 20, 11));
    const auto callback = run(record(MivFileOperationData::kCopy, source, path(QStringLiteral("small")),
                                     MivFileOperationData::kOptionOverwrite, false),
                              MivFileOperationProcessor::kOverwriteFlag);
    EXPECT_EQ(readAll(path(QStringLiteral("small/big.bin"))), "old target");
    EXPECT_EQ(entries(path(QStringLiteral("small"))), (QStringList{"big.bin"}));
    EXPECT_TRUE(mivtest::waitUntil([this] { return !presented().isEmpty(); }));
}

// A merged move across two volumes copies the new sub-trees whole and
// removes the sources once they are in place.
TEST_F(ProcessorTest, AMergedMoveAcrossTwoVolumes)
{
    mivtest::ScopedTmpfs one(path(QStringLiteral("one")), QStringLiteral("4M"));
    mivtest::ScopedTmpfs two(path(QStringLiteral("two")), QStringLiteral("4M"));
    if (!one.mounted() || !two.mounted())
        GTEST_SKIP() << one.whyNot() << two.whyNot();
    put(path(QStringLiteral("one/M/a")), "a");
    put(path(QStringLiteral("one/M/sub/b")), mivtest::randomBytes(100000, 3));
    put(path(QStringLiteral("two/M/c")), "c");
    const auto callback = run(record(MivFileOperationData::kMove, item(path(QStringLiteral("one/M"))),
                                     path(QStringLiteral("two")), MivFileOperationData::kOptionOverwrite, true));
    EXPECT_EQ(callback->finalStatus(), 0);
    EXPECT_EQ(entries(path(QStringLiteral("two/M"))), (QStringList{"a", "c", "sub"}));
    EXPECT_EQ(readAll(path(QStringLiteral("two/M/sub/b"))), mivtest::randomBytes(100000, 3));
    EXPECT_TRUE(entries(path(QStringLiteral("one"))).isEmpty());
}

// A delegate that leaves every failed step open for a repetition and counts
// completions, as the controller does for a -48 it settles by the option.
class RepeatingDelegate : public optest::RecordingDelegate
{
public:
    std::atomic<int> completed{0};
    std::atomic<int> duplicates{0};
    void didAsyncOperationComplete(const std::shared_ptr<MivFileOperationData>&) override { ++completed; }
    bool didReceiveOperationError(const plat::Error& error, const QString&, const std::shared_ptr<MivFileOperationData>&,
                                  const QString&) override
    {
        if (error.code() == -48)
            ++duplicates;
        return false;
    }
};

class ActionTest : public LocalFolderTest
{
protected:
    std::shared_ptr<RepeatingDelegate> m_delegate = std::make_shared<RepeatingDelegate>();
    std::shared_ptr<MivFileOperationData> m_record = MivFileOperationData::create(m_delegate);

    void SetUp() override
    {
        LocalFolderTest::SetUp();
        m_delegate->record = m_record;
    }
    // One step on this thread's run loop; true when it completed.
    bool step()
    {
        const int completed = m_delegate->completed.load();
        const int duplicates = m_delegate->duplicates.load();
        auto action = MivAsyncAction::create(m_record);
        if (!action->execute())
            return false;
        EXPECT_TRUE(mivtest::waitUntil(
            [&] { return m_delegate->completed.load() > completed || m_delegate->duplicates.load() > duplicates; }));
        return m_delegate->completed.load() > completed;
    }
};

// Rename: the first attempt meets the existing name (-48), each repetition
// adds "-cpy" once more until a name is free; overwriting a file with itself
// turns into rename for good.
TEST_F(ActionTest, TheDuplicateRepeatCycleFindsAFreeName)
{
    put(path(QStringLiteral("src/a.txt")), "new");
    put(path(QStringLiteral("dst/a.txt")), "old");
    put(path(QStringLiteral("dst/a-cpy.txt")), "older");
    m_record->setOperation(MivFileOperationData::kCopy);
    m_record->setSource({item(path(QStringLiteral("src/a.txt")))});
    m_record->setCurrentSourceIndex(0);
    m_record->setDest(item(path(QStringLiteral("dst"))));
    m_record->setOption(MivFileOperationData::kOptionRename);

    EXPECT_FALSE(step());
    EXPECT_TRUE(m_record->doAfterError());
    EXPECT_FALSE(step());
    EXPECT_EQ(m_record->destName(), QStringLiteral("a-cpy.txt"));
    EXPECT_TRUE(step());
    EXPECT_EQ(m_record->destName(), QStringLiteral("a-cpy-cpy.txt"));
    EXPECT_EQ(readAll(path(QStringLiteral("dst/a.txt"))), "old");
    EXPECT_EQ(readAll(path(QStringLiteral("dst/a-cpy.txt"))), "older");
    EXPECT_EQ(readAll(path(QStringLiteral("dst/a-cpy-cpy.txt"))), "new");

    // Overwrite older: the first attempt never overwrites.
    m_record->setDestName(QString());
    m_record->setOption(MivFileOperationData::kOptionOverwriteOlder);
    EXPECT_FALSE(step());
    EXPECT_EQ(readAll(path(QStringLiteral("dst/a.txt"))), "old");

    m_record->setDest(item(path(QStringLiteral("src"))));
    m_record->setDoAfterError(false);
    m_record->setOption(MivFileOperationData::kOptionOverwrite);
    EXPECT_FALSE(step());
    EXPECT_EQ(m_record->option(), MivFileOperationData::kOptionRename);
    EXPECT_TRUE(step());
    EXPECT_EQ(readAll(path(QStringLiteral("src/a.txt"))), "new");
    EXPECT_EQ(readAll(path(QStringLiteral("src/a-cpy.txt"))), "new");
}

// Only a stage-3 report that the record accepts completes the step: a
// running report never does, even an error the delegate takes; a report
// without numbers gives no progress line.
TEST_F(ActionTest, OnlyAnAcceptedFinalReportCompletesTheStep)
{
    class AcceptingDelegate : public RepeatingDelegate
    {
    public:
        bool accept = true;
        bool didReceiveOperationError(const plat::Error&, const QString&, const std::shared_ptr<MivFileOperationData>&,
                                      const QString&) override
        {
            return accept;
        }
    };
    struct Case
    {
        quint32 stage;
        qint32 error;
        bool withStatus;
        bool accept;
        int completes;
        size_t progressLines;
    };
    const Case cases[] = {
        {2, 0, true, true, 0, 1},  {2, -36, true, true, 0, 0}, {3, 0, false, true, 1, 0},
        {3, 0, true, true, 1, 1},  {3, -36, true, true, 1, 0}, {3, -36, true, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stage << " " << c.error << " " << c.withStatus << " " << c.accept);
        const auto delegate = std::make_shared<AcceptingDelegate>();
        delegate->accept = c.accept;
        const auto record = MivFileOperationData::create(delegate);
        delegate->record = record;
        record->setSource({item(path(QStringLiteral("a.txt")), false)});
        record->setCurrentSourceIndex(0);
        record->setDest(item(m_dir.path()));
        const auto action = MivAsyncAction::create(record);
        std::optional<QVariantMap> status;
        if (c.withStatus)
            status = QVariantMap{{QLatin1String(kFSOperationTotalBytesKey), 10.0}, {QLatin1String(kFSOperationBytesCompleteKey), 4.0}};
        action->doOnFileOperation(QString(), c.stage, c.error, status, nullptr);
        EXPECT_EQ(delegate->completed.load(), c.completes);
        EXPECT_EQ(delegate->reports().size(), c.progressLines);
    }
}

// A step without a destination does not begin (-333); the trash needs
// none.
TEST_F(ActionTest, AStepWithoutDestinationDoesNotBegin)
{
    put(path(QStringLiteral("src/a.txt")), "x");
    std::vector<qint64> codes;
    MivErrorPresenter::setPresentationHandler([&codes](const plat::Error& error) { codes.push_back(error.code()); });
    m_record->setOperation(MivFileOperationData::kCopy);
    m_record->setSource({item(path(QStringLiteral("src/a.txt")))});
    m_record->setCurrentSourceIndex(0);
    EXPECT_FALSE(MivAsyncAction::create(m_record)->execute());
    MivErrorPresenter::setPresentationHandler({});
    EXPECT_EQ(codes, (std::vector<qint64>{MivAsyncAction::kNoDestinationStatus}));
    EXPECT_TRUE(existsNoFollow(path(QStringLiteral("src/a.txt"))));
}

} // namespace
