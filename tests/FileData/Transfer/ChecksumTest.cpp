#include "support/MemoryFileData.h"

#include "FileData/IMivChecksumCalcDelegate.h"
#include "FileData/IMivChecksumInterimDelegate.h"
#include "FileData/MivFileUtils.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "support/RandomBytes.h"

#include <gtest/gtest.h>
#include <zlib.h>

using mivtest::MemoryFileData;

using mivtest::randomBytes;

namespace {

// The first word of a coreutils checksum tool's answer for the file.
QString toolSum(const char* tool, const QString& path)
{
    QProcess process;
    process.start(QString::fromLatin1(tool), {path});
    if (!process.waitForFinished(60000))
        return QStringLiteral("<tool failed>");
    return QString::fromLatin1(process.readAllStandardOutput().split(' ').value(0));
}

class RecordingDelegate : public IMivChecksumCalcDelegate, public IMivChecksumInterimDelegate
{
public:
    bool isAborted() override { return abortAfter >= 0 && progressCalls >= abortAfter; }
    void progress(double value, bool unknownSize, const MivChecksumEntry& entry) override
    {
        ++progressCalls;
        lastProgress = value;
        lastUnknown = unknownSize;
        EXPECT_EQ(entry, expectedEntry);
    }
    void processError(const plat::Error& error, const MivChecksumEntry&) override
    {
        ++errors;
        lastError = error;
    }
    bool interim(const QString& checksum) override
    {
        interims.append(checksum);
        return vetoInterim < 0 || interims.size() < vetoInterim;
    }

    int abortAfter = -1;
    int vetoInterim = -1;
    int progressCalls = 0;
    double lastProgress = 0;
    bool lastUnknown = false;
    int errors = 0;
    plat::Error lastError;
    QStringList interims;
    MivChecksumEntry expectedEntry;
};

// Fails its first reading half-way, then reads cleanly.
class FlakyItem : public MemoryFileData
{
public:
    int failures = 1;
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override
    {
        downloadOptions.failAfter = failures-- > 0 ? 70000 : -1;
        return MemoryFileData::createDownloadDelegate();
    }
};

} // namespace

// The same bytes as a file for the command-line tools and as an item whose
// download side answers in random chunks.
TEST(ChecksumTest, EqualsTheCommandLineTools)
{
    QTemporaryDir folder;
    for (qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(65536), qsizetype(300001)}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = randomBytes(size, quint32(size) + 11);
        const QString path = folder.filePath(QStringLiteral("data-%1.bin").arg(size));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        auto item = MemoryFileData::create(QStringLiteral("data.bin"), bytes);
        item->downloadOptions.maxChunk = 40000;
        item->downloadOptions.transientRate = 0.1;

        EXPECT_EQ(MivFileUtils::calculateChecksumType(1, item, nullptr), toolSum("md5sum", path));
        EXPECT_EQ(MivFileUtils::calculateChecksumType(2, item, nullptr), toolSum("sha1sum", path));
        EXPECT_EQ(MivFileUtils::calculateChecksumType(3, item, nullptr), toolSum("sha256sum", path));
        EXPECT_EQ(MivFileUtils::calculateChecksumType(4, item, nullptr), toolSum("sha512sum", path));
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()));
        EXPECT_EQ(MivFileUtils::calculateChecksumType(5, item, nullptr),
                  QString::asprintf("%08lX", static_cast<unsigned long>(crc)));
    }
}

TEST(ChecksumTest, CrcKeepsLeadingZerosAndEmptyItemsHaveNoProgress)
{
    auto empty = MemoryFileData::create(QStringLiteral("empty"));
    RecordingDelegate delegate;
    EXPECT_EQ(MivFileUtils::calculateChecksumType(5, empty, nullptr, {}, &delegate), "00000000");
    EXPECT_EQ(delegate.progressCalls, 0);
    EXPECT_TRUE(delegate.interims.isEmpty());
    for (int seed = 0; seed < 2000; ++seed) {
        const QByteArray bytes = randomBytes(8, quint32(seed));
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()), 8);
        if (crc >= 0x10000000)
            continue;
        const QString text = MivFileUtils::calculateChecksumType(5, MemoryFileData::create(QStringLiteral("z"), bytes), nullptr);
        EXPECT_EQ(text.size(), 8);
        EXPECT_TRUE(text.startsWith(QLatin1Char('0')));
        EXPECT_EQ(text, text.toUpper());
        return;
    }
    FAIL() << "no CRC with a leading zero digit among the samples";
}

TEST(ChecksumTest, ProgressOfKnownAndUnknownSizes)
{
    const QByteArray bytes = randomBytes(200000, 3);
    auto item = MemoryFileData::create(QStringLiteral("item"), bytes);
    RecordingDelegate known;
    known.expectedEntry = std::make_shared<QVariantMap>();
    MivFileUtils::calculateChecksumType(3, item, nullptr, known.expectedEntry, &known);
    EXPECT_EQ(known.progressCalls, 4) << "65536 x 3 and the rest";
    EXPECT_DOUBLE_EQ(known.lastProgress, 1.0);
    EXPECT_FALSE(known.lastUnknown);
    EXPECT_EQ(known.interims.size(), 4);
    EXPECT_EQ(known.interims.last(), MivFileUtils::calculateChecksumType(3, item, nullptr));

    item->setSize(0);
    RecordingDelegate unknown;
    EXPECT_EQ(MivFileUtils::calculateChecksumType(1, item, nullptr, {}, &unknown), MivFileUtils::calculateChecksumType(1, MemoryFileData::create(QStringLiteral("same"), bytes), nullptr));
    EXPECT_TRUE(unknown.lastUnknown);
    EXPECT_DOUBLE_EQ(unknown.lastProgress, 200000.0);
}

TEST(ChecksumTest, UnknownKindsReadEverythingAndAnswerNothing)
{
    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(100000, 4));
    for (int kind : {0, 6}) {
        RecordingDelegate delegate;
        EXPECT_TRUE(MivFileUtils::calculateChecksumType(kind, item, nullptr, {}, &delegate).isNull());
        EXPECT_EQ(delegate.progressCalls, 2);
    }
}

TEST(ChecksumTest, OneRetryThenTheErrorGoesToTheDelegate)
{
    const QByteArray bytes = randomBytes(200000, 5);
    auto flaky = std::make_shared<FlakyItem>();
    flaky->setData(bytes);
    RecordingDelegate once;
    EXPECT_EQ(MivFileUtils::calculateChecksumType(3, flaky, nullptr, {}, &once),
              MivFileUtils::calculateChecksumType(3, MemoryFileData::create(QStringLiteral("same"), bytes), nullptr));
    EXPECT_EQ(once.errors, 0);
    EXPECT_EQ(once.progressCalls, 2 + 4) << "progress starts over on the second reading";

    auto broken = std::make_shared<FlakyItem>();
    broken->failures = 2;
    broken->setData(bytes);
    RecordingDelegate twice;
    EXPECT_TRUE(MivFileUtils::calculateChecksumType(3, broken, nullptr, {}, &twice).isNull());
    EXPECT_EQ(twice.errors, 1);
    EXPECT_EQ(twice.lastError, MemoryFileData::injectedError());
}

TEST(ChecksumTest, AbortAndInterimVetoStopWithoutError)
{
    auto item = MemoryFileData::create(QStringLiteral("item"), randomBytes(400000, 6));
    RecordingDelegate aborting;
    aborting.abortAfter = 1;
    EXPECT_TRUE(MivFileUtils::calculateChecksumType(1, item, nullptr, {}, &aborting).isNull());
    EXPECT_EQ(aborting.progressCalls, 1);
    EXPECT_EQ(aborting.errors, 0);
    EXPECT_EQ(item->openDelegates, 0) << "the reader was closed";

    RecordingDelegate vetoing;
    vetoing.vetoInterim = 2;
    EXPECT_TRUE(MivFileUtils::calculateChecksumType(1, item, nullptr, {}, &vetoing).isNull());
    EXPECT_EQ(vetoing.interims.size(), 2);
    EXPECT_EQ(item->openDelegates, 0);

    auto refusing = MemoryFileData::create(QStringLiteral("refusing"), QByteArray("x"));
    refusing->downloadOptions.refuseOpen = true;
    RecordingDelegate silent;
    EXPECT_TRUE(MivFileUtils::calculateChecksumType(1, refusing, nullptr, {}, &silent).isNull());
    EXPECT_EQ(silent.errors, 0);
}
