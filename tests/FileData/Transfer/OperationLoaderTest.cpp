#include "support/MemoryFileData.h"
#include "support/TransferCopy.h"

#include "FileData/Transfer/IMivDownloadOperation.h"
#include "FileData/Transfer/IMivDownloaderProtocol.h"
#include "FileData/Transfer/IMivStreamHandlerOperationDelegate.h"
#include "FileData/Transfer/IMivUploadOperation.h"
#include "FileData/Transfer/IMivUploaderProtocol.h"
#include "FileData/Transfer/MivOperationDownloader.h"
#include "FileData/Transfer/MivOperationUploader.h"
#include "FileData/Transfer/MivRunloopOperation.h"
#include "platform/InputStream.h"
#include "platform/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using mivtest::MemoryFileData;

namespace {

const plat::Error kRequestError(QStringLiteral("org.w3.http"), 500, QStringLiteral("Internal Server Error"));

// A download request that hands its data over on later turns of its loop,
// or, when told to hang, waits until it is cancelled.
class DownloadRequest : public MivRunloopOperation, public IMivDownloadOperation
{
public:
    QByteArray data;
    qsizetype block = 0; // 0: all in one block
    bool hang = false;
    bool fail = false;
    std::atomic<bool> running{false};

    std::weak_ptr<IMivDownloaderProtocol> loader() const override { return m_loader; }
    void setLoader(const std::weak_ptr<IMivDownloaderProtocol>& loader) override { m_loader = loader; }

protected:
    void doOperation() override
    {
        running = true;
        auto loop = plat::RunLoop::current();
        if (hang) {
            loop->addTimer(std::chrono::milliseconds(5), true, [this] {
                if (isCancelled()) {
                    setError(plat::Error(QStringLiteral("NSURLErrorDomain"), -999, QStringLiteral("cancelled")));
                    finished();
                }
            });
            return;
        }
        loop->post([this] {
            const qsizetype step = block > 0 ? block : std::max<qsizetype>(data.size(), 1);
            if (auto target = m_loader.lock())
                for (qsizetype at = 0; at < data.size(); at += step)
                    target->handleDataChunk(data.mid(at, step));
            if (fail)
                setError(kRequestError);
            finished();
        });
    }

private:
    std::weak_ptr<IMivDownloaderProtocol> m_loader;
};

// An upload request that reads its body stream to the end.
class UploadRequest : public MivRunloopOperation, public IMivUploadOperation
{
public:
    QByteArray received;
    quint64 announcedLength = 0;

    std::weak_ptr<IMivUploaderProtocol> loader() const override { return m_loader; }
    void setLoader(const std::weak_ptr<IMivUploaderProtocol>& loader) override { m_loader = loader; }
    QString fileName() const override { return m_fileName; }
    void setFileName(const QString& name) override { m_fileName = name; }
    std::shared_ptr<plat::InputStream> inputStream() const override { return m_body; }
    void setInputStream(const std::shared_ptr<plat::InputStream>& stream) override { m_body = stream; }
    quint64 length() const override { return announcedLength; }
    void setLength(quint64 length) override { announcedLength = length; }

protected:
    void doOperation() override
    {
        m_body->open();
        plat::RunLoop::current()->post([this] {
            char buffer[10000];
            for (;;) {
                const qint64 n = m_body->read(buffer, sizeof buffer);
                if (n <= 0)
                    break;
                received.append(buffer, n);
            }
            m_body->close();
            finished();
        });
    }

private:
    std::weak_ptr<IMivUploaderProtocol> m_loader;
    QString m_fileName;
    std::shared_ptr<plat::InputStream> m_body;
};

using RequestFactory = std::function<std::shared_ptr<MivRunloopOperation>()>;

class RequestDownloader : public MivOperationDownloader
{
public:
    RequestDownloader(MivFileDataPtr data, RequestFactory factory)
        : MivOperationDownloader(std::move(data))
        , m_factory(std::move(factory))
    {
    }
    std::shared_ptr<MivRunloopOperation> createRunloopOperation() override { return m_factory ? m_factory() : nullptr; }

private:
    RequestFactory m_factory;
};

class RequestUploader : public MivOperationUploader
{
public:
    RequestUploader(MivFileDataPtr data, RequestFactory factory, quint64 bufferSize = 0)
        : MivOperationUploader(std::move(data), bufferSize)
        , m_factory(std::move(factory))
    {
    }
    std::shared_ptr<MivRunloopOperation> createRunloopOperation() override { return m_factory ? m_factory() : nullptr; }

private:
    RequestFactory m_factory;
};

// An item whose transfers are requests, as on a WebDAV server.
class RequestItem : public MemoryFileData
{
public:
    RequestFactory download;
    RequestFactory upload;
    std::weak_ptr<MivOperationLoader> lastLoader;

    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override
    {
        auto loader = std::make_shared<RequestDownloader>(shared_from_this(), download);
        lastLoader = loader;
        return loader;
    }
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override
    {
        auto loader = std::make_shared<RequestUploader>(shared_from_this(), upload);
        lastLoader = loader;
        return loader;
    }
};

class CountingObserver : public IMivStreamHandlerOperationDelegate
{
public:
    bool handler(const std::shared_ptr<MivFileStreamHandler>&, int) override
    {
        ++notices;
        return true;
    }
    int notices = 0;
};

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 251) & 0xFF);
    return bytes;
}

} // namespace

TEST(OperationLoaderTest, DownloadDeliveredInOneBlockComesInChunks)
{
    auto request = std::make_shared<DownloadRequest>();
    request->data = pattern(100000);
    auto source = std::make_shared<RequestItem>();
    source->setSize(100000);
    source->download = [request] { return request; };
    auto target = MemoryFileData::create(QStringLiteral("target"));
    auto observer = std::make_shared<CountingObserver>();
    plat::Error error;
    EXPECT_TRUE(mivtest::copyThroughPump(source, target, 32768, &error, observer));
    EXPECT_FALSE(error) << error.description().toStdString();
    EXPECT_EQ(target->data(), request->data);
    EXPECT_EQ(observer->notices, 4) << "32768 x 3 and 1696";
}

TEST(OperationLoaderTest, DownloadInManySmallBlocks)
{
    auto request = std::make_shared<DownloadRequest>();
    request->data = pattern(1000003);
    request->block = 777;
    auto source = std::make_shared<RequestItem>();
    source->setSize(0);
    source->download = [request] { return request; };
    auto target = MemoryFileData::create(QStringLiteral("target"));
    EXPECT_TRUE(mivtest::copyThroughPump(source, target, 65536));
    EXPECT_EQ(target->data(), request->data);
}

TEST(OperationLoaderTest, FailedRequestFailsTheTransferWithItsError)
{
    auto request = std::make_shared<DownloadRequest>();
    request->data = pattern(5000);
    request->fail = true;
    auto source = std::make_shared<RequestItem>();
    source->download = [request] { return request; };
    auto target = MemoryFileData::create(QStringLiteral("target"), QByteArray("old"));
    plat::Error error;
    EXPECT_FALSE(mivtest::copyThroughPump(source, target, 65536, &error));
    EXPECT_EQ(error, kRequestError);
    EXPECT_EQ(target->data(), "old");
}

// Without a request the transfer fails at once instead of waiting for ever.
TEST(OperationLoaderTest, NoRequestFailsAtOnce)
{
    auto remote = std::make_shared<RequestItem>();
    auto local = MemoryFileData::create(QStringLiteral("local"), pattern(200000));
    plat::Error error;
    EXPECT_FALSE(mivtest::copyThroughPump(remote, local, 65536, &error)) << "download";
    EXPECT_EQ(error.domain(), "com.quorvex.MivFileOperationErrorDomain");
    error = {};
    EXPECT_FALSE(mivtest::copyThroughPump(local, remote, 65536, &error)) << "upload";
    EXPECT_EQ(error.domain(), "com.quorvex.MivFileOperationErrorDomain");
}

TEST(OperationLoaderTest, UploadFeedsTheBodyStream)
{
    for (qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(65536), qsizetype(700001)}) {
        SCOPED_TRACE(size);
        auto request = std::make_shared<UploadRequest>();
        auto target = std::make_shared<RequestItem>();
        target->setName(QStringLiteral("remote.bin"));
        target->upload = [request] { return request; };
        auto source = MemoryFileData::create(QStringLiteral("source"), pattern(size));
        source->downloadOptions.maxChunk = 30000;
        source->downloadOptions.transientRate = 0.1;
        plat::Error error;
        EXPECT_TRUE(mivtest::copyThroughPump(source, target, 65536, &error)) << error.description().toStdString();
        EXPECT_EQ(request->received, source->data());
        EXPECT_EQ(request->announcedLength, quint64(size));
        EXPECT_EQ(request->fileName(), "remote.bin");
    }
}

TEST(OperationLoaderTest, CancelStopsAHangingDownload)
{
    auto request = std::make_shared<DownloadRequest>();
    request->hang = true;
    auto source = std::make_shared<RequestItem>();
    source->download = [request] { return request; };
    auto target = MemoryFileData::create(QStringLiteral("target"));
    std::thread canceller([&] {
        while (!request->running.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (auto loader = source->lastLoader.lock())
            loader->processCancelOperation();
    });
    plat::Error error;
    EXPECT_FALSE(mivtest::copyThroughPump(source, target, 65536, &error));
    canceller.join();
    EXPECT_EQ(error.code(), -999);
}

TEST(OperationLoaderTest, OpenTakesThePumpChunkUnlessSmaller)
{
    struct Case
    {
        quint64 made;
        quint64 expected;
    };
    for (const Case& c : {Case{0, 65536}, Case{1000000, 65536}, Case{8192, 8192}}) {
        auto item = std::make_shared<RequestItem>();
        auto request = std::make_shared<UploadRequest>();
        item->upload = [request] { return request; };
        auto loader = std::make_shared<RequestUploader>(item, item->upload, c.made);
        ASSERT_TRUE(loader->open(65536, nullptr));
        EXPECT_EQ(loader->transitBufferSize(), c.expected) << c.made;
        loader->close();
    }
}

namespace {
class RefusingRequest : public MivRunloopOperation
{
public:
    bool ran = false;

protected:
    bool doStartOperation() override { return false; }
    void doOperation() override
    {
        ran = true;
        finished();
    }
};
} // namespace

TEST(RunloopOperationTest, RefusedStartFinishesWithoutRunning)
{
    auto item = MemoryFileData::create(QStringLiteral("x"));
    auto request = std::make_shared<RefusingRequest>();
    plat::Error error;
    EXPECT_TRUE(item->performOperation(request, &error));
    EXPECT_TRUE(request->isFinished());
    EXPECT_FALSE(request->ran);

    EXPECT_FALSE(item->performOperation(nullptr, &error));
    EXPECT_TRUE(error);
}
