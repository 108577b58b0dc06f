#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/MivDefaultCopyFileData.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/Transfer/MivFileStreamHandler.h"
#include "platform/Error.h"
#include "platform/OutputStream.h"
#include "support/MemoryFileData.h"
#include "support/TransferCopy.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

// A copyable item whose bytes live in a memory item: the transfer ends are
// opened by the copyable base, the delegates come from the memory item.
class CopyItem : public MivDefaultCopyFileData
{
public:
    explicit CopyItem(std::shared_ptr<mivtest::MemoryFileData> memory) : memory(std::move(memory))
    {
        setSize(this->memory->size());
    }
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override { return memory->createDownloadDelegate(); }
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override { return memory->createUploadDelegate(); }
    std::shared_ptr<mivtest::MemoryFileData> memory;
};

struct PresentedErrors
{
    std::mutex mutex;
    QList<plat::Error> errors;
    PresentedErrors()
    {
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) {
            std::lock_guard lock(mutex);
            errors.append(error);
        });
    }
    ~PresentedErrors() { MivErrorPresenter::setPresentationHandler(nullptr); }
    QList<plat::Error> taken()
    {
        std::lock_guard lock(mutex);
        return errors;
    }
};

TEST(MivDefaultCopyFileDataTest, TransferEndsOpenedByTheBaseMoveTheBytes)
{
    QByteArray payload;
    for (int i = 0; i < 5000; ++i)
        payload.append(char(i * 7));
    auto source = std::make_shared<CopyItem>(mivtest::MemoryFileData::create(QStringLiteral("a"), payload));
    auto target = std::make_shared<CopyItem>(mivtest::MemoryFileData::create(QStringLiteral("b")));
    source->memory->downloadOptions.maxChunk = 333;
    target->memory->uploadOptions.maxChunk = 100;

    plat::Error error;
    EXPECT_TRUE(mivtest::copyThroughPump(source, target, 256, &error)) << error.description().toStdString();
    EXPECT_EQ(target->memory->data(), payload);
}

TEST(MivDefaultCopyFileDataTest, AnEndThatCannotOpenIsClosedAndItsErrorPresented)
{
    PresentedErrors presented;
    auto source = std::make_shared<CopyItem>(mivtest::MemoryFileData::create(QStringLiteral("a"), QByteArray("abc")));
    source->memory->downloadOptions.refuseOpen = true;
    std::shared_ptr<plat::OutputStream> output;
    std::shared_ptr<plat::InputStream> input;
    MivFileStreamHandler::createStreamPairWithBufferSize(64, &output, &input);

    EXPECT_FALSE(source->openStream(output, 64, nullptr, nullptr));
    EXPECT_EQ(source->memory->openDelegates.load(), 0);
    MivExec::runOnMainThread([] {});  // presentation runs on the main thread
    const auto errors = presented.taken();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front(), mivtest::MemoryFileData::injectedError());

    EXPECT_FALSE(source->openStream(nullptr, 64, nullptr, nullptr));
}

TEST(MivDefaultCopyFileDataTest, CopySideDefaults)
{
    auto item = std::make_shared<MivDefaultCopyFileData>();
    EXPECT_TRUE(item->copyAllowed());
    EXPECT_TRUE(item->checkExistWithContext(nullptr));
    plat::Error error;
    EXPECT_FALSE(item->makeFolderWithName(QStringLiteral("x"), MivCopyContextPtr(), &error));
    EXPECT_TRUE(item->copyAttributes(item, nullptr, &error));
    EXPECT_TRUE(error.isNull());
    ASSERT_TRUE(item->createDownloadDelegate());
    ASSERT_TRUE(item->createUploadDelegate());
    EXPECT_NE(item->createDownloadDelegate(), item->createDownloadDelegate()) << "a fresh delegate each time";
}

} // namespace
