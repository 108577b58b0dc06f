#include "support/MemoryFileData.h"
#include "support/ScopedTransferClock.h"
#include "support/TransferCopy.h"

#include "FileData/Extensions/DataDigest.h"
#include "FileData/Extensions/FileStreamHandler.h"
#include "FileData/Transfer/IMivStreamHandlerOperationDelegate.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "FileData/Transfer/MivStream.h"
#include "FileData/Transfer/MivStreamPump.h"
#include "platform/InputStream.h"
#include "platform/OutputStream.h"

#include <QRandomGenerator>

#include "support/RandomBytes.h"

#include <gtest/gtest.h>

#include <vector>

using mivtest::MemoryFileData;
using mivtest::copyThroughPump;

using mivtest::randomBytes;

namespace {

constexpr quint64 kChunk = 65536;

// Counts the notices and may veto or cancel on one of them.
class Observer : public IMivStreamHandlerOperationDelegate
{
public:
    bool handler(const std::shared_ptr<MivFileStreamHandler>& handler, int status) override
    {
        ++notices;
        lastStatus = status;
        if (cancelAt == notices)
            handler->cancel();
        return vetoAt != notices;
    }
    int notices = 0;
    int lastStatus = -1;
    int cancelAt = -1;
    int vetoAt = -1;
};

} // namespace

struct CopyCase
{
    const char* name;
    qsizetype size;
    mivtest::MemoryTransferOptions download;
    mivtest::MemoryTransferOptions upload;
};

// Whole copies through the pump arrive byte for byte, whatever chunk sizes
// and transient answers the two sides give.
TEST(StreamHandlerTest, CopiesArriveWhole)
{
    mivtest::MemoryTransferOptions random;
    random.maxChunk = 50000;
    random.transientRate = 0.2;
    mivtest::MemoryTransferOptions randomUpload = random;
    randomUpload.seed = 99;
    randomUpload.maxChunk = 7000;
    const CopyCase cases[] = {
        {"empty", 0, {}, {}},
        {"one byte", 1, {}, {}},
        {"exactly one chunk", qsizetype(kChunk), {}, {}},
        {"one chunk and a byte", qsizetype(kChunk) + 1, {}, {}},
        {"a few MB, random answers", 3 * 1024 * 1024 + 17, random, randomUpload},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = randomBytes(c.size, quint32(c.size) + 1);
        auto source = MemoryFileData::create(QStringLiteral("source"), bytes);
        auto target = MemoryFileData::create(QStringLiteral("target"), QByteArray("old content"));
        source->downloadOptions = c.download;
        target->uploadOptions = c.upload;
        plat::Error error;
        EXPECT_TRUE(copyThroughPump(source, target, kChunk, &error));
        EXPECT_FALSE(error) << error.description().toStdString();
        EXPECT_EQ(DataDigest::SHA256(target->data()), DataDigest::SHA256(bytes));
        EXPECT_EQ(target->data().size(), bytes.size());
        EXPECT_EQ(target->finishCount, 1);
        EXPECT_EQ(source->openDelegates, 0) << "both delegates closed";
        EXPECT_EQ(target->openDelegates, 0);
    }
}

// A source whose size is unknown (0, -1, a size marker) still arrives whole:
// the notices follow the bytes moved, and the pair is drained at the end.
TEST(StreamHandlerTest, SourceOfUnknownSizeArrivesWhole)
{
    const QByteArray bytes = randomBytes(100000, 5);
    for (qint64 reported : {qint64(0), qint64(-1), qint64(-101)}) {
        SCOPED_TRACE(reported);
        auto source = MemoryFileData::create(QStringLiteral("source"), bytes);
        source->setSize(reported);
        auto target = MemoryFileData::create(QStringLiteral("target"));
        auto observer = std::make_shared<Observer>();
        EXPECT_TRUE(copyThroughPump(source, target, 32768, nullptr, observer));
        EXPECT_EQ(target->data(), bytes);
        EXPECT_EQ(observer->notices, 4) << "32768 x 3 + 1696";
    }
}

TEST(StreamHandlerTest, ChunkSizeFollowsThePositivePreference)
{
    struct Case
    {
        qint64 preferred;
        quint64 expected;
    };
    for (const Case& c : {Case{-1, 65536}, Case{32768, 32768}, Case{100000, 65536}, Case{0, 65536}}) {
        auto item = MemoryFileData::create(QStringLiteral("x"));
        item->downloadOptions.preferredBufferSize = c.preferred;
        std::shared_ptr<plat::OutputStream> out;
        MivFileStreamHandler::createStreamPairWithBufferSize(kChunk * 2, &out, nullptr);
        auto handler = FileStreamHandler::createHandlerFor(out, item.get(), kChunk);
        ASSERT_TRUE(handler);
        EXPECT_EQ(handler->transferBufferSize(), c.expected) << c.preferred;
    }
}

TEST(StreamHandlerTest, HandlersAreMadeOnlyForPairEnds)
{
    std::shared_ptr<plat::OutputStream> out;
    std::shared_ptr<plat::InputStream> in;
    MivFileStreamHandler::createStreamPairWithBufferSize(16, &out, &in);
    auto item = MemoryFileData::create(QStringLiteral("x"));
    EXPECT_TRUE(std::dynamic_pointer_cast<MivFileOutputStreamHandler>(FileStreamHandler::createHandlerFor(out, item.get(), 8)));
    EXPECT_TRUE(std::dynamic_pointer_cast<MivFileInputStreamHandler>(FileStreamHandler::createHandlerFor(in, item.get(), 8)));
    EXPECT_FALSE(FileStreamHandler::createHandlerFor(out, nullptr, 8));

    class OtherStream : public plat::Stream
    {
    public:
        void open() override {}
        void close() override {}
        plat::StreamStatus streamStatus() const override { return plat::StreamStatus::NotOpen; }
        plat::Error streamError() const override { return {}; }
    };
    EXPECT_FALSE(FileStreamHandler::createHandlerFor(std::make_shared<OtherStream>(), item.get(), 8));
}

TEST(StreamHandlerTest, FailuresOfEitherSideFailTheCopyWithTheirError)
{
    const QByteArray bytes = randomBytes(300000, 3);
    for (bool failDownload : {true, false}) {
        SCOPED_TRACE(failDownload ? "download fails" : "upload fails");
        auto source = MemoryFileData::create(QStringLiteral("source"), bytes);
        auto target = MemoryFileData::create(QStringLiteral("target"), QByteArray("keep me"));
        (failDownload ? source->downloadOptions : target->uploadOptions).failAfter = 100000;
        plat::Error error;
        EXPECT_FALSE(copyThroughPump(source, target, kChunk, &error));
        EXPECT_EQ(error, MemoryFileData::injectedError());
        EXPECT_EQ(target->data(), "keep me") << "nothing committed";
        EXPECT_EQ(target->finishCount, 1);
        EXPECT_FALSE(target->lastFinishResult);
    }
}

TEST(StreamHandlerTest, RefusedOpenGivesNoHandler)
{
    auto source = MemoryFileData::create(QStringLiteral("source"), QByteArray("abc"));
    auto target = MemoryFileData::create(QStringLiteral("target"));
    target->uploadOptions.refuseOpen = true;
    EXPECT_FALSE(copyThroughPump(source, target, kChunk));
    EXPECT_EQ(source->openDelegates, 0) << "the opened source side was closed again";
}

TEST(StreamHandlerTest, ObserverVetoFailsTheRun)
{
    auto source = MemoryFileData::create(QStringLiteral("source"), randomBytes(200000, 1));
    auto target = MemoryFileData::create(QStringLiteral("target"));
    auto observer = std::make_shared<Observer>();
    observer->vetoAt = 2;
    EXPECT_FALSE(copyThroughPump(source, target, kChunk, nullptr, observer));
    EXPECT_EQ(observer->notices, 2);
    EXPECT_FALSE(target->lastFinishResult);
}

TEST(StreamHandlerTest, CancelStopsTheDelegateAndTheRun)
{
    auto source = MemoryFileData::create(QStringLiteral("source"), randomBytes(500000, 2));
    auto target = MemoryFileData::create(QStringLiteral("target"));
    auto observer = std::make_shared<Observer>();
    observer->cancelAt = 1;
    EXPECT_FALSE(copyThroughPump(source, target, kChunk, nullptr, observer));
    EXPECT_EQ(source->cancelCount, 1) << "the back-end request was told";
    EXPECT_EQ(observer->notices, 1) << "the next step found the stream closed";
    EXPECT_TRUE(target->data().isEmpty());
}

// The stall clock starts at open: transient answers right at the start are
// no stall, while answers that stay transient fail after 10 s on either side.
TEST(StreamHandlerTest, StallLimitOnBothSides)
{
    mivtest::ScopedTransferClock clock;
    const QByteArray bytes = randomBytes(150000, 4);
    auto tick = [&clock] { clock->advance(1.0); };

    {
        auto source = MemoryFileData::create(QStringLiteral("source"), bytes);
        auto target = MemoryFileData::create(QStringLiteral("target"));
        target->uploadOptions.leadingTransients = 5;
        target->uploadOptions.onTransient = tick;
        source->downloadOptions.leadingTransients = 5;
        source->downloadOptions.onTransient = tick;
        EXPECT_TRUE(copyThroughPump(source, target, kChunk));
        EXPECT_EQ(target->data(), bytes);
    }
    for (bool stallUpload : {true, false}) {
        SCOPED_TRACE(stallUpload ? "upload stalls" : "download stalls");
        auto source = MemoryFileData::create(QStringLiteral("source"), bytes);
        auto target = MemoryFileData::create(QStringLiteral("target"));
        auto& options = stallUpload ? target->uploadOptions : source->downloadOptions;
        options.alwaysTransient = true;
        options.transientValue = -35; // a back-end's would-block code
        options.onTransient = tick;
        const double start = clock->now();
        plat::Error error;
        EXPECT_FALSE(copyThroughPump(source, target, kChunk, &error));
        EXPECT_TRUE(error);
        EXPECT_GE(clock->now() - start, 10.0);
        EXPECT_LE(clock->now() - start, 12.0);
    }
}

// A source of 0 bytes flushes at once: no notice, success.
TEST(StreamHandlerTest, EmptySourceSendsNoNotice)
{
    auto source = MemoryFileData::create(QStringLiteral("source"));
    auto target = MemoryFileData::create(QStringLiteral("target"), QByteArray("old"));
    auto observer = std::make_shared<Observer>();
    EXPECT_TRUE(copyThroughPump(source, target, kChunk, nullptr, observer));
    EXPECT_EQ(observer->notices, 0);
    EXPECT_TRUE(target->data().isEmpty());
    EXPECT_TRUE(target->lastFinishResult);
}

namespace {

// At every notice: the bytes the source end moved, as the handler and its
// stream count them, and what the target end has taken by then.
class LengthObserver : public IMivStreamHandlerOperationDelegate
{
public:
    explicit LengthObserver(std::shared_ptr<MivFileInputStreamHandler> input)
        : m_input(std::move(input))
    {
    }
    bool handler(const std::shared_ptr<MivFileStreamHandler>& handler, int) override
    {
        Notice notice;
        notice.moved = handler->length();
        notice.streamLength = handler->stream()->currentLength();
        notice.progress = handler->stream()->transferProgress();
        notice.taken = m_input->length();
        notices.push_back(notice);
        return true;
    }
    struct Notice
    {
        quint64 moved = 0;
        quint64 streamLength = 0;
        double progress = 0;
        quint64 taken = 0;
    };
    std::vector<Notice> notices;

private:
    std::shared_ptr<MivFileInputStreamHandler> m_input;
};

} // namespace

// Sources that answer less than the buffer holds (short reads, odd sizes):
// the handlers count the bytes that really moved, never whole buffers, and
// the progress the copy engine shows follows them to exactly 1.
TEST(StreamHandlerTest, LengthAndProgressCountTheBytesMovedInShortChunks)
{
    struct Case
    {
        const char* name;
        qsizetype size;
        qint64 minChunk;
        qint64 maxChunk;
    };
    const Case cases[] = {
        {"one byte at a time", 777, 1, 1},
        {"short reads of random length", 300001, 1, 9000},
        {"odd chunks just over a buffer's worth", qsizetype(kChunk) * 3 + 5, 4097, 4097},
        {"a whole number of buffers in short reads", qsizetype(kChunk) * 4, 30000, 30000},
        {"a size below one buffer", 65535, 1000, 60000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = randomBytes(c.size, quint32(c.size) + 21);
        auto source = MemoryFileData::create(QStringLiteral("source"), bytes);
        source->downloadOptions.minChunk = c.minChunk;
        source->downloadOptions.maxChunk = c.maxChunk;
        source->downloadOptions.seed = quint32(c.size);
        auto target = MemoryFileData::create(QStringLiteral("target"));
        target->uploadOptions.maxChunk = 5000; // the target side takes short bites too

        std::shared_ptr<plat::OutputStream> writeEnd;
        std::shared_ptr<plat::InputStream> readEnd;
        MivFileStreamHandler::createStreamPairWithBufferSize(kChunk * 2, &writeEnd, &readEnd);
        const auto context = MivCopyContext::create();
        auto output = std::dynamic_pointer_cast<MivFileOutputStreamHandler>(source->openStream(writeEnd, kChunk, target, context));
        auto input = std::dynamic_pointer_cast<MivFileInputStreamHandler>(target->openStream(readEnd, kChunk, source, context));
        ASSERT_TRUE(output && input);
        auto observer = std::make_shared<LengthObserver>(input);
        auto pump = MivStreamPump::create(output, input);
        pump->setObserver(observer);
        EXPECT_TRUE(pump->run());

        const auto size = quint64(c.size);
        EXPECT_EQ(output->length(), size);
        EXPECT_EQ(input->length(), size);
        EXPECT_EQ(output->stream()->currentLength(), size);
        EXPECT_DOUBLE_EQ(output->stream()->transferProgress(), 1.0);
        ASSERT_FALSE(observer->notices.empty());
        quint64 previous = 0;
        for (const LengthObserver::Notice& notice : observer->notices) {
            EXPECT_GT(notice.moved, previous) << "a notice follows bytes that moved";
            EXPECT_EQ(notice.streamLength, notice.moved);
            EXPECT_EQ(notice.taken, notice.moved) << "each chunk reached the target before its notice";
            EXPECT_DOUBLE_EQ(notice.progress, double(notice.moved) / double(size));
            previous = notice.moved;
        }
        EXPECT_EQ(previous, size);
        pump->finish(source, true);
        EXPECT_EQ(target->data(), bytes);
    }
}
