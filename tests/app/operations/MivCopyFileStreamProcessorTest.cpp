#include "FileData/Local/LocalTestFolder.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"
#include "OperationTestSupport.h"
#include "app/operations/ICopyFileProcessorCallback.h"
#include "app/operations/MivCopyFileStreamProcessor.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "support/MemoryFileData.h"
#include "support/RandomBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

using localtest::LocalFolderTest;
using mivtest::MemoryFileData;

// Counts the copier's running reports.
class CallbackDouble : public ICopyFileProcessorCallback
{
public:
    std::atomic<int> running{0};

    void callback(quint64 stage, qint64 status) override
    {
        if (stage == 2 && status == 0)
            ++running;
    }
    void progress(const QVariant&, const QVariant&, const QVariant&, const QVariant&) override {}
};

// Numbers every running report and hands the number on.
class CountingCallback : public ICopyFileProcessorCallback
{
public:
    std::atomic<int> reports{0};
    std::function<void(int)> onReport;

    void callback(quint64 stage, qint64 status) override
    {
        if (stage != 2 || status != 0)
            return;
        const int report = ++reports;
        if (onReport)
            onReport(report);
    }
    void progress(const QVariant&, const QVariant&, const QVariant&, const QVariant&) override {}
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class CopierTest : public LocalFolderTest
{
protected:
    qint64 copy(const MivFileDataPtr& from, const MivFileDataPtr& to, plat::Error* error, quint64 flags = 0)
    {
        return m_copier->copy(from, to, MivCopyContext::create(), MivCopyContext::create(), flags, error);
    }
    std::shared_ptr<MivFileData> localFile(const char* name, const QByteArray& bytes)
    {
        write(path(QString::fromLatin1(name)), bytes);
        return item(path(QString::fromLatin1(name)));
    }
    std::shared_ptr<MivFileData> target(const char* name) { return item(path(QString::fromLatin1(name))); }

    std::shared_ptr<CallbackDouble> m_callback = std::make_shared<CallbackDouble>();
    std::shared_ptr<MivCopyFileStreamProcessor> m_copier = MivCopyFileStreamProcessor::create(m_callback);
};

TEST_F(CopierTest, BufferSizeFollowsTheSourceSize)
{
    const std::pair<qint64, quint64> rows[] = {
        {-99, 2048},   {-1, 2048},    {0, 2048},     {1, 2048},         {2048, 2048},
        {2049, 2069},  {65535, 65555}, {65536, 65536}, {1LL << 40, 65536},
    };
    for (const auto& [size, expected] : rows) {
        const auto source = MemoryFileData::create(QStringLiteral("s"));
        source->setSize(size);
        EXPECT_EQ(MivCopyFileStreamProcessor::calculateBufferSizeFor(source), expected) << size;
    }
    EXPECT_EQ(MivCopyFileStreamProcessor::calculateBufferSizeFor(nullptr), 2048u);
    makeFolder(path(QStringLiteral("folder")));
    EXPECT_EQ(MivCopyFileStreamProcessor::calculateBufferSizeFor(item(path(QStringLiteral("folder")))), 2048u);
}

TEST_F(CopierTest, CopiesLocalFilesOfEverySizeBetweenTheBuffers)
{
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(2048), qsizetype(2049), qsizetype(65535),
                                 qsizetype(65536), qsizetype(3 * 65536 + 7)}) {
        const QByteArray bytes = mivtest::randomBytes(size, quint32(size) + 1);
        const auto source = localFile("source", bytes);
        remove(path(QStringLiteral("copy")));
        plat::Error error;
        EXPECT_EQ(copy(source, target("copy"), &error), size) << size << error.description().toStdString();
        EXPECT_FALSE(error) << size;
        EXPECT_TRUE(QFile::exists(path(QStringLiteral("copy")))) << size;
        EXPECT_EQ(readAll(path(QStringLiteral("copy"))), bytes) << size;
    }
    EXPECT_GT(m_callback->running.load(), 0);
    EXPECT_EQ(m_copier->downloader(), nullptr);
    EXPECT_EQ(m_copier->uploader(), nullptr);
    EXPECT_EQ(entries(m_dir.path()), (QStringList{"copy", "source"}));
}

TEST_F(CopierTest, AVanishedSourceFailsWithoutAnErrorOfItsOwn)
{
    const auto source = localFile("gone", "bytes");
    remove(path(QStringLiteral("gone")));
    plat::Error error;
    EXPECT_EQ(copy(source, target("copy"), &error), -1);
    EXPECT_FALSE(error);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("copy"))));
}

TEST_F(CopierTest, TransferFailuresOnEitherSideReportTheirError)
{
    struct Case
    {
        const char* what;
        bool failDownload;
    };
    for (const Case& c : {Case{"download", true}, Case{"upload", false}}) {
        const auto source = MemoryFileData::create(QStringLiteral("s"), mivtest::randomBytes(200000, 3));
        const auto dest = MemoryFileData::create(QStringLiteral("d"), "kept");
        (c.failDownload ? source->downloadOptions : dest->uploadOptions).failAfter = 70000;
        plat::Error error;
        EXPECT_EQ(copy(source, dest, &error), -1) << c.what;
        EXPECT_EQ(error, MemoryFileData::injectedError()) << c.what;
        EXPECT_EQ(dest->data(), "kept") << c.what;
        EXPECT_EQ(source->openDelegates.load() + dest->openDelegates.load(), 0) << c.what;
    }
}

TEST_F(CopierTest, CancelFromAnotherThreadMidTransferClosesBothSides)
{
    const auto source = MemoryFileData::create(QStringLiteral("s"), mivtest::randomBytes(1 << 20, 5));
    source->downloadOptions.maxChunk = 4096;
    write(path(QStringLiteral("copy")), "old contents");
    // Reports go out before the transfer and after every chunk: the third
    // one comes with a few chunks passed and most still to go.
    const auto counting = std::make_shared<CountingCallback>();
    const auto copier = MivCopyFileStreamProcessor::create(counting);
    const std::weak_ptr<MivCopyFileStreamProcessor> weak = copier;
    counting->onReport = [weak](int report) {
        if (report != 3)
            return;
        std::thread([weak] {
            if (auto strong = weak.lock())
                strong->cancel();
        }).join();
    };
    plat::Error error;
    EXPECT_EQ(copier->copy(source, target("copy"), MivCopyContext::create(), MivCopyContext::create(), 0, &error), -1);
    EXPECT_TRUE(copier->cancelled());
    EXPECT_EQ(counting->reports.load(), 3);
    EXPECT_EQ(copier->downloader(), nullptr);
    EXPECT_EQ(copier->uploader(), nullptr);
    EXPECT_EQ(source->openDelegates.load(), 0);
    EXPECT_EQ(source->cancelCount.load(), 1);
    // The existing target is untouched and no temporary file stays.
    EXPECT_EQ(readAll(path(QStringLiteral("copy"))), "old contents");
    EXPECT_EQ(entries(m_dir.path()), (QStringList{"copy"}));
}

// A source that cancels the copier as its stream opens: the cancel lands
// between opening and the transfer.
class CancellingOnOpen : public MemoryFileData
{
public:
    std::weak_ptr<MivCopyFileStreamProcessor> copier;
    std::shared_ptr<MivFileStreamHandler> openStream(const std::shared_ptr<plat::Stream>& stream, quint64 bufferSize,
                                                     const MivFileDataPtr& target, const MivCopyContextPtr& context) override
    {
        auto handler = MemoryFileData::openStream(stream, bufferSize, target, context);
        if (auto strong = copier.lock())
            strong->cancel();
        return handler;
    }
};

TEST_F(CopierTest, ACancelBeforeTheTransferAnswersCancelled)
{
    const auto source = std::make_shared<CancellingOnOpen>();
    source->setData("abc");
    source->copier = m_copier;
    const auto dest = MemoryFileData::create(QStringLiteral("d"));
    plat::Error error;
    EXPECT_EQ(copy(source, dest, &error), -2);
    EXPECT_FALSE(error);
    EXPECT_EQ(source->openDelegates.load() + dest->openDelegates.load(), 0);
    // The next copy opens afresh and clears the flag.
    const auto plain = MemoryFileData::create(QStringLiteral("p"), "xyz");
    EXPECT_EQ(copy(plain, dest, &error), 3);
    EXPECT_EQ(dest->data(), "xyz");
}

class RefusingAttributes : public MemoryFileData
{
public:
    std::atomic<int> asked{0};
    std::atomic<bool> permsAsked{false};
    bool copyAttributes(const MivFileDataPtr&, bool perms, const MivCopyContextPtr&, plat::Error* error) override
    {
        ++asked;
        permsAsked = perms;
        plat::Error::assign(error, plat::Error(QStringLiteral("com.quorvex.MivRemoteFileErrorDomain"), 3, QStringLiteral("refused")));
        return false;
    }
};

TEST_F(CopierTest, ARefusedAttributeCopyStillSucceeds)
{
    const auto source = MemoryFileData::create(QStringLiteral("s"), "payload");
    const auto dest = std::make_shared<RefusingAttributes>();
    plat::Error error;
    EXPECT_EQ(copy(source, dest, &error, MivCopyFileStreamProcessor::kCopyAttributesFlag), 7);
    EXPECT_FALSE(error);
    EXPECT_EQ(dest->data(), "payload");
    EXPECT_EQ(dest->asked.load(), 1);
    EXPECT_FALSE(dest->permsAsked.load());

    EXPECT_EQ(copy(source, dest, &error,
                   MivCopyFileStreamProcessor::kCopyAttributesFlag | MivCopyFileStreamProcessor::kCopyPermissionsFlag),
              7);
    EXPECT_TRUE(dest->permsAsked.load());
    // Without the flag the attributes are left alone.
    EXPECT_EQ(copy(source, dest, &error, 0), 7);
    EXPECT_EQ(dest->asked.load(), 2);
}

TEST_F(CopierTest, ASourceCutShortLeavesNoDestinationAndReportsTheError)
{
    const QByteArray body = mivtest::randomBytes(100000, 9);
    // Announces more than it delivers, and ends without an error.
    const auto cut = MemoryFileData::create(QStringLiteral("cut"), body);
    cut->setSize(250000);

    plat::Error error;
    EXPECT_EQ(copy(cut, target("new"), &error), -1);
    EXPECT_EQ(error.domain(), QString::fromLatin1(MivFileOperationErrorDomain));
    EXPECT_EQ(error.code(), -1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("new"))));

    write(path(QStringLiteral("existing")), "the user's file");
    EXPECT_EQ(copy(cut, target("existing"), &error), -1);
    EXPECT_EQ(readAll(path(QStringLiteral("existing"))), "the user's file");
    EXPECT_EQ(entries(m_dir.path()), (QStringList{"existing"}));

    // An in-memory destination is not committed either.
    const auto memory = MemoryFileData::create(QStringLiteral("m"), "before");
    EXPECT_EQ(copy(cut, memory, &error), -1);
    EXPECT_EQ(memory->data(), "before");
    EXPECT_FALSE(memory->lastFinishResult.load());
}

TEST_F(CopierTest, UnknownOrTooSmallAnnouncedSizesStillDeliverEveryByte)
{
    const QByteArray body = mivtest::randomBytes(150000, 11);
    for (const qint64 announced : {qint64(-1), qint64(0), qint64(10), qint64(149999)}) {
        const auto source = MemoryFileData::create(QStringLiteral("s"), body);
        source->setSize(announced);
        source->downloadOptions.maxChunk = 30000;
        const auto dest = MemoryFileData::create(QStringLiteral("d"));
        plat::Error error;
        EXPECT_EQ(copy(source, dest, &error), body.size()) << announced << error.description().toStdString();
        EXPECT_EQ(dest->data(), body) << announced;
    }
}

// A download delegate that throws inside the transfer.
class ThrowingDownload : public MivDefaultFileStreamHandlerDelegate
{
public:
    ThrowingDownload()
        : MivDefaultFileStreamHandlerDelegate(false)
    {
    }
    qint64 handleDataBuffer(char*, qint64, qint64) override { throw std::runtime_error("back-end exploded"); }
};

class ThrowingSource : public MemoryFileData
{
public:
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override { return std::make_shared<ThrowingDownload>(); }
};

TEST_F(CopierTest, AnExceptionInsideTheTransferBecomesAFailureWithAnError)
{
    const auto source = std::make_shared<ThrowingSource>();
    source->setData("will never pass");
    write(path(QStringLiteral("existing")), "kept");
    plat::Error error;
    EXPECT_EQ(copy(source, target("existing"), &error), -1);
    EXPECT_TRUE(error);
    EXPECT_EQ(error.domain(), QString::fromLatin1(MivFileOperationErrorDomain));
    EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("back-end exploded")))
        << error.localizedDescription().toStdString();
    EXPECT_EQ(readAll(path(QStringLiteral("existing"))), "kept");
    EXPECT_EQ(entries(m_dir.path()), (QStringList{"existing"}));
    EXPECT_EQ(m_copier->downloader(), nullptr);
}

TEST_F(CopierTest, StatusBetweenCopiesCountsOnlyEarlierFiles)
{
    const QVariantMap status = m_copier->statusDictionaryForLength(1234, QStringLiteral("/some/path"));
    EXPECT_EQ(status.value(QString::fromLatin1(kFSOperationBytesCompleteKey)).toULongLong(), 1234u);
    EXPECT_EQ(status.value(QString::fromLatin1(kFSOperationTotalBytesKey)).toULongLong(), 0u);
    EXPECT_EQ(status.value(QString::fromLatin1(kFSOperationThroughputKey)).toFloat(), 0.0f);
    EXPECT_EQ(status.value(QStringLiteral("message")).toString(), QStringLiteral("/some/path"));
    EXPECT_EQ(m_copier->progressProvider(), m_callback);
}

} // namespace
