#include "support/MemoryFileData.h"

#include "FileData/Transfer/MivCopyContext.h"
#include "FileData/Transfer/MivFileDataLoader.h"
#include "FileData/Transfer/MivFileDataReader.h"
#include "FileData/Transfer/MivFileSyncDataReader.h"
#include "platform/Path.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "support/RandomBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/stat.h>

using mivtest::MemoryFileData;

using mivtest::randomBytes;

namespace {

QByteArray readAll(const std::shared_ptr<MivFileDataReader>& reader)
{
    QByteArray all;
    while (const auto chunk = reader->read())
        all.append(*chunk);
    return all;
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("mivo-tmp-*")}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST(MivFileSyncDataReaderTest, ReadsChunksAndRetriesTransientAnswers)
{
    auto empty = MemoryFileData::create(QStringLiteral("empty"));
    MivFileSyncDataReader emptyReader(empty, 65536, nullptr);
    EXPECT_FALSE(emptyReader.closed());
    EXPECT_FALSE(emptyReader.read().has_value());
    EXPECT_FALSE(emptyReader.lastError());

    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(100, 1));
    item->downloadOptions.leadingTransients = 3;
    MivFileSyncDataReader reader(item, 65536, nullptr);
    const auto chunk = reader.read();
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(*chunk, item->data());
    EXPECT_FALSE(reader.read().has_value());
    reader.close();
    EXPECT_TRUE(reader.closed());
    EXPECT_EQ(item->openDelegates, 0);
}

TEST(MivFileSyncDataReaderTest, FailuresAndUnopenableItems)
{
    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(200000, 2));
    item->downloadOptions.failAfter = 65536;
    MivFileSyncDataReader reader(item, 65536, nullptr);
    EXPECT_TRUE(reader.read().has_value());
    EXPECT_FALSE(reader.read().has_value());
    EXPECT_EQ(reader.lastError(), MemoryFileData::injectedError());

    auto refusing = MemoryFileData::create(QStringLiteral("refusing"), QByteArray("x"));
    refusing->downloadOptions.refuseOpen = true;
    MivFileSyncDataReader closed(refusing, 65536, nullptr);
    EXPECT_TRUE(closed.closed());
    EXPECT_FALSE(closed.read().has_value());
}

TEST(MivFileDataReaderTest, ReadsWholeItemsOfAnySize)
{
    for (qint64 size : {qint64(0), qint64(1), qint64(65536), qint64(1000003)}) {
        SCOPED_TRACE(size);
        auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(size, quint32(size)));
        item->downloadOptions.maxChunk = 20000;
        item->downloadOptions.transientRate = 0.2;
        auto reader = MivFileDataReader::create(item, 65536, MivCopyContext::create());
        EXPECT_EQ(readAll(reader), item->data());
        EXPECT_FALSE(reader->lastError());
        EXPECT_TRUE(reader->closed());
    }
}

TEST(MivFileDataReaderTest, EmptyItemGivesAnEmptyChunkThenNothing)
{
    auto reader = MivFileDataReader::create(MemoryFileData::create(QStringLiteral("empty")), 65536, nullptr);
    const auto first = reader->read();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->isEmpty());
    EXPECT_FALSE(reader->read().has_value());
    EXPECT_FALSE(reader->lastError());
}

TEST(MivFileDataReaderTest, UnknownSizeAndFailures)
{
    auto unknown = MemoryFileData::create(QStringLiteral("unknown"), randomBytes(100000, 9));
    unknown->setSize(0);
    EXPECT_EQ(readAll(MivFileDataReader::create(unknown, 32768, nullptr)), unknown->data());

    auto failing = MemoryFileData::create(QStringLiteral("failing"), randomBytes(300000, 8));
    failing->downloadOptions.failAfter = 100000;
    auto reader = MivFileDataReader::create(failing, 65536, nullptr);
    const QByteArray got = readAll(reader);
    EXPECT_LT(got.size(), failing->data().size());
    EXPECT_EQ(reader->lastError(), MemoryFileData::injectedError());

    auto refusing = MemoryFileData::create(QStringLiteral("refusing"), QByteArray("x"));
    refusing->downloadOptions.refuseOpen = true;
    auto closed = MivFileDataReader::create(refusing, 65536, nullptr);
    EXPECT_TRUE(closed->closed());
    EXPECT_FALSE(closed->read().has_value());
}

TEST(MivFileDataLoaderTest, LoadsIntoTemporaryFilesNamedByExtension)
{
    struct Case
    {
        const char* linkPath;
        const char* suffix;
    };
    for (const Case& c : {Case{"/remote/notes.txt", ".txt"}, Case{"/remote/README", ""}}) {
        auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(150000, 4));
        item->setLinkPath(QString::fromLatin1(c.linkPath)); // realPath follows the link path
        item->downloadOptions.maxChunk = 30000;
        MivFileDataLoader loader(item, nullptr);
        plat::Error error;
        const QString path = loader.loadToTempFile(&error);
        ASSERT_FALSE(path.isNull()) << error.description().toStdString();
        EXPECT_TRUE(path.contains(QLatin1String("mivo-tmp-")));
        if (*c.suffix)
            EXPECT_TRUE(path.endsWith(QLatin1String(c.suffix))) << path.toStdString();
        else
            EXPECT_FALSE(QFileInfo(path).fileName().contains(QLatin1Char('.'))) << path.toStdString();
        EXPECT_EQ(fileContent(path), item->data());
        EXPECT_EQ(leftovers(QFileInfo(path).path()).size(), 1) << "only the loaded file";
        QFile::remove(path);
    }
}

// A load that fails half-way leaves the existing file as it was, removes its
// temporary file and says why.
TEST(MivFileDataLoaderTest, FailedLoadKeepsTheTarget)
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("caf\xC3\xA9 \xE2\x9C\x93.bin"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("previous content");
    }
    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(500000, 5));
    item->downloadOptions.failAfter = 200000;
    MivFileDataLoader loader(item, nullptr);
    plat::Error error;
    EXPECT_FALSE(loader.loadToFile(target, &error));
    EXPECT_EQ(error, MemoryFileData::injectedError());
    EXPECT_EQ(fileContent(target), "previous content");
    EXPECT_TRUE(leftovers(folder.path()).isEmpty());

    item->downloadOptions.failAfter = -1;
    EXPECT_TRUE(loader.loadToFile(target, &error));
    EXPECT_EQ(fileContent(target), item->data());

    // A folder that cannot be written to.
    EXPECT_FALSE(loader.loadToFile(folder.filePath(QStringLiteral("missing/x.bin")), &error));
    EXPECT_EQ(error.code(), 4) << error.description().toStdString();
}

TEST(MivFileDataLoaderTest, CancelEndsTheLoadWithoutAPartialFile)
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("big.bin"));
    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(8 * 1024 * 1024, 6));
    item->downloadOptions.maxChunk = 4096;
    MivFileDataLoader loader(item, nullptr);
    std::atomic<bool> started{false};
    std::thread canceller;
    item->downloadOptions.leadingTransients = 1;
    item->downloadOptions.onTransient = [&] {
        canceller = std::thread([&] {
            started = true;
            loader.cancel();
        });
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    plat::Error error;
    EXPECT_FALSE(loader.loadToFile(target, &error));
    canceller.join();
    EXPECT_EQ(error.code(), -128);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(leftovers(folder.path()).isEmpty());
}

// Loading over an existing file replaces its content, not its permission
// bits: a private file stays private, an executable stays executable. A new
// file gets what any new file gets under the umask.
TEST(MivFileDataLoaderTest, LoadOverAnExistingFileKeepsItsPermissionBits)
{
    QTemporaryDir folder;
    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(70000, 12));
    item->downloadOptions.maxChunk = 20000;
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0700), mode_t(0755), mode_t(0444), mode_t(0604),
                              mode_t(0000)}) {
        SCOPED_TRACE(QString::number(mode, 8).toStdString());
        const QString target = folder.filePath(QStringLiteral("existing-%1.bin").arg(mode, 0, 8));
        {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("previous content");
        }
        ASSERT_EQ(::chmod(plat::Path::toNative(target).constData(), mode), 0);
        MivFileDataLoader loader(item, nullptr);
        plat::Error error;
        ASSERT_TRUE(loader.loadToFile(target, &error)) << error.description().toStdString();
        EXPECT_EQ(fileContent(target), item->data());
        struct stat info {};
        ASSERT_EQ(::stat(plat::Path::toNative(target).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }

    const mode_t mask = ::umask(0022);
    const QString fresh = folder.filePath(QStringLiteral("new.bin"));
    MivFileDataLoader loader(item, nullptr);
    const bool loaded = loader.loadToFile(fresh);
    ::umask(mask);
    ASSERT_TRUE(loaded);
    struct stat info {};
    ASSERT_EQ(::stat(plat::Path::toNative(fresh).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode_t(0644));
    EXPECT_TRUE(leftovers(folder.path()).isEmpty());
}
