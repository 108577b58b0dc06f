#include "support/MemoryFileData.h"
#include "support/ScopedTransferClock.h"
#include "support/TestEnvironment.h"

#include "FileData/IMivUrlFile.h"
#include "FileData/Transfer/MivFileInputStream.h"
#include "FileData/Transfer/MivFileOutputStream.h"
#include "platform/BoundStreamPair.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>

#include "support/RandomBytes.h"

#include <gtest/gtest.h>

#include <cmath>

using mivtest::MemoryFileData;
using plat::StreamStatus;

using mivtest::randomBytes;

namespace {

// An item on another computer: its URL's host is neither local nor ".local".
class RemoteMemoryItem : public MemoryFileData, public virtual IMivUrlFile
{
public:
    explicit RemoteMemoryItem(QString host)
        : m_host(std::move(host))
    {
    }
    QUrl fileURL() const override { return QUrl(QStringLiteral("ftp://%1/file.bin").arg(m_host)); }
    QUrl realURL() const override { return fileURL(); }

private:
    QString m_host;
};

struct Pair
{
    explicit Pair(quint64 capacity = 1 << 20) { plat::BoundStreamPair::create(capacity, &out, &in); }
    std::shared_ptr<plat::OutputStream> out;
    std::shared_ptr<plat::InputStream> in;
};

} // namespace

TEST(BoundStreamPairTest, StatesAndBoundedCapacity)
{
    Pair pair(10);
    EXPECT_EQ(pair.out->streamStatus(), StreamStatus::NotOpen);
    char buffer[32];
    EXPECT_EQ(pair.out->write("x", 1), -1) << "a stream that is not open refuses";
    pair.out->open();
    pair.in->open();
    EXPECT_EQ(pair.out->write("0123456789abcdef", 16), 10) << "only the capacity is taken";
    EXPECT_FALSE(pair.out->hasSpaceAvailable());
    EXPECT_EQ(pair.in->read(buffer, 4), 4);
    EXPECT_EQ(QByteArray(buffer, 4), "0123");
    EXPECT_EQ(pair.out->write("ab", 2), 2);
    EXPECT_EQ(pair.in->read(buffer, 32), 8);
    EXPECT_EQ(QByteArray(buffer, 8), "456789ab");
    EXPECT_EQ(pair.in->read(buffer, 32), 0) << "nothing available is not the end";
    EXPECT_EQ(pair.in->streamStatus(), StreamStatus::Open);

    pair.out->write("z", 1);
    pair.out->close();
    EXPECT_EQ(pair.in->streamStatus(), StreamStatus::Open) << "a byte is still waiting";
    EXPECT_EQ(pair.in->read(buffer, 32), 1);
    EXPECT_EQ(pair.in->streamStatus(), StreamStatus::AtEnd);
}

TEST(BoundStreamPairTest, WritingToAClosedReadEndIsAnError)
{
    Pair pair;
    pair.out->open();
    pair.in->open();
    pair.in->close();
    EXPECT_EQ(pair.out->write("x", 1), -1);
    EXPECT_EQ(pair.out->streamStatus(), StreamStatus::Error);
    EXPECT_EQ(pair.out->streamError().code(), EPIPE);
}

TEST(MivStreamTest, OpensOnceAndKeepsLengths)
{
    Pair pair;
    MivFileOutputStream stream(pair.out);
    EXPECT_TRUE(stream.closed()) << "not open yet";
    EXPECT_TRUE(stream.openToFileTransfer(true));
    EXPECT_FALSE(stream.openToFileTransfer(true)) << "a stream opens once";
    EXPECT_FALSE(MivFileOutputStream(nullptr).openToFileTransfer(true));

    stream.setCurrentLength(100);
    EXPECT_EQ(stream.currentLength(), 0u) << "no expected length: the current one stays";
    EXPECT_TRUE(std::isnan(stream.transferProgress()));
    stream.setMaxLength(200);
    stream.setCurrentLength(100);
    EXPECT_DOUBLE_EQ(stream.transferProgress(), 0.5);
    stream.setCurrentLength(400);
    EXPECT_DOUBLE_EQ(stream.transferProgress(), 1.0);
    stream.setMaxLength(50);
    EXPECT_EQ(stream.currentLength(), 0u);

    stream.close();
    EXPECT_TRUE(stream.closed());
    EXPECT_FALSE(stream.writeBytes("x", 1));
}

TEST(MivStreamTest, WriteIntoAFullPairFails)
{
    Pair pair(8);
    pair.in->open();
    MivFileOutputStream stream(pair.out);
    ASSERT_TRUE(stream.openToFileTransfer(true));
    EXPECT_TRUE(stream.writeBytes("12345678", 8));
    EXPECT_FALSE(stream.writeBytes("9", 1));
    EXPECT_EQ(stream.totalSize(), 8u);
}

TEST(MivStreamTest, LocalItemsAreNeverThrottled)
{
    struct Case
    {
        const char* host;
        bool local;
    };
    for (const Case& c : {Case{"example.org", false}, Case{"localhost", true}, Case{"printer.local", true}}) {
        Pair pair;
        MivFileInputStream stream(pair.in);
        stream.updateLocalForData(std::make_shared<RemoteMemoryItem>(QString::fromLatin1(c.host)));
        EXPECT_EQ(stream.localHost(), c.local) << c.host;
    }
    Pair pair;
    MivFileInputStream stream(pair.in);
    stream.updateLocalForData(MemoryFileData::create(QStringLiteral("no-url")));
    EXPECT_TRUE(stream.localHost()) << "an item without a URL is on this computer";
    stream.updateLocalForData(std::make_shared<RemoteMemoryItem>(QStringLiteral("example.org")));
    EXPECT_TRUE(stream.localHost()) << "the flag is only ever set";
}

// Limits are measured on the injected clock: the throttle "sleeps" on it.
TEST(MivStreamTest, LimitSetBeforeOpeningHoldsEachStream)
{
    mivtest::ScopedTransferClock clock;
    const QByteArray chunk(4000, 'a');
    char buffer[8192];

    Pair readPair;
    readPair.out->open();
    readPair.out->write(chunk.constData(), chunk.size());
    MivFileInputStream reader(readPair.in);
    reader.updateLocalForData(std::make_shared<RemoteMemoryItem>(QStringLiteral("example.org")));
    reader.setMaxUploadSpeed(1000);
    ASSERT_TRUE(reader.openToFileTransfer(true));
    double start = clock->now();
    EXPECT_EQ(reader.readBytes(buffer, sizeof buffer), 4000);
    EXPECT_GE(clock->now() - start, 4.0);
    start = clock->now();
    EXPECT_EQ(reader.readBytes(buffer, sizeof buffer), 0);
    EXPECT_EQ(clock->now(), start) << "a read that finds nothing does not wait";

    Pair writePair;
    writePair.in->open();
    MivFileOutputStream writer(writePair.out);
    writer.updateLocalForData(std::make_shared<RemoteMemoryItem>(QStringLiteral("example.org")));
    writer.setMaxDownloadSpeed(1000);
    ASSERT_TRUE(writer.openToFileTransfer(true));
    start = clock->now();
    EXPECT_TRUE(writer.writeBytes(chunk.constData(), quint64(chunk.size())));
    EXPECT_GE(clock->now() - start, 4.0);

    // The same limit on a local item costs nothing.
    Pair localPair;
    localPair.in->open();
    MivFileOutputStream local(localPair.out);
    local.updateLocalForData(MemoryFileData::create(QStringLiteral("local")));
    local.setMaxDownloadSpeed(1000);
    ASSERT_TRUE(local.openToFileTransfer(true));
    start = clock->now();
    EXPECT_TRUE(local.writeBytes(chunk.constData(), quint64(chunk.size())));
    EXPECT_EQ(clock->now(), start);
}

TEST(MivStreamTest, LimitSetAfterOpeningIsSharedByTheDirection)
{
    mivtest::ScopedTransferClock clock;
    const QByteArray chunk(2000, 'b');
    Pair first;
    Pair second;
    first.in->open();
    second.in->open();
    MivFileOutputStream a(first.out);
    MivFileOutputStream b(second.out);
    const auto remote = std::make_shared<RemoteMemoryItem>(QStringLiteral("example.org"));
    a.updateLocalForData(remote);
    b.updateLocalForData(remote);
    ASSERT_TRUE(a.openToFileTransfer(true));
    ASSERT_TRUE(b.openToFileTransfer(true));
    a.setMaxDownloadSpeed(1000);
    b.setMaxDownloadSpeed(1000);

    const double start = clock->now();
    EXPECT_TRUE(a.writeBytes(chunk.constData(), 2000));
    EXPECT_TRUE(b.writeBytes(chunk.constData(), 2000));
    EXPECT_TRUE(a.writeBytes(chunk.constData(), 2000));
    // Three chunks of 2 s each at the shared rate: the third may start only
    // after the first two have had their 4 s.
    EXPECT_GE(clock->now() - start, 4.0);
    EXPECT_LT(clock->now() - start, 6.0 + 1e-6);
}

TEST(MivStreamTest, EmptyPasswordRefusesTheOpen)
{
    Pair pair;
    MivFileOutputStream stream(pair.out);
    stream.setEncryptionPassword(QStringLiteral(""));
    EXPECT_FALSE(stream.openToFileTransfer(true));
    EXPECT_EQ(pair.out->streamStatus(), StreamStatus::NotOpen);
}

// Reading encrypts, writing decrypts, with the key the command-line tool
// derives the same way (MD5, no salt, one iteration); the digest covers the
// plain bytes on both sides.
TEST(MivStreamTest, CipherAndDigestRoundTrip)
{
    const QByteArray plain = randomBytes(100000, 7);
    const QString password = QStringLiteral("s3cret pass");

    Pair source(plain.size());
    source.out->open();
    source.out->write(plain.constData(), plain.size());
    source.out->close();
    MivFileInputStream encryptor(source.in);
    encryptor.setEncryptionPassword(password);
    encryptor.setDigestComputation(true);
    ASSERT_TRUE(encryptor.openToFileTransfer(true));
    QByteArray cipher;
    char buffer[4096];
    // The read that reaches the end adds the final block.
    while (source.in->streamStatus() != StreamStatus::AtEnd) {
        const qint64 n = encryptor.readBytes(buffer, sizeof buffer);
        ASSERT_GE(n, 0);
        cipher.append(buffer, n);
    }
    EXPECT_EQ(encryptor.digest(), QCryptographicHash::hash(plain, QCryptographicHash::Md5));

    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("enc"), QStringLiteral("-d"), QStringLiteral("-aes-256-cbc"),
                                              QStringLiteral("-md"), QStringLiteral("md5"), QStringLiteral("-nosalt"),
                                              QStringLiteral("-pass"), QStringLiteral("pass:") + password});
    ASSERT_TRUE(openssl.waitForStarted());
    openssl.write(cipher);
    openssl.closeWriteChannel();
    ASSERT_TRUE(openssl.waitForFinished(30000));
    EXPECT_EQ(openssl.readAllStandardOutput(), plain) << "the command-line tool decrypts what we encrypted";

    Pair target(plain.size() + 64);
    target.in->open();
    MivFileOutputStream decryptor(target.out);
    decryptor.setEncryptionPassword(password);
    decryptor.setDigestComputation(true);
    ASSERT_TRUE(decryptor.openToFileTransfer(true));
    for (qsizetype at = 0; at < cipher.size(); at += 1000)
        ASSERT_TRUE(decryptor.writeBytes(cipher.constData() + at, quint64(std::min<qsizetype>(1000, cipher.size() - at))));
    ASSERT_TRUE(decryptor.flush());
    QByteArray back(plain.size() + 64, Qt::Uninitialized);
    back.resize(target.in->read(back.data(), back.size()));
    EXPECT_EQ(back, plain);
    EXPECT_EQ(decryptor.digest(), QCryptographicHash::hash(plain, QCryptographicHash::Md5));
}

namespace {

QByteArray encryptWithTheCommandLineTool(const QByteArray& plain, const QString& password)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"), QStringLiteral("-md"),
                                              QStringLiteral("md5"), QStringLiteral("-nosalt"), QStringLiteral("-pass"),
                                              QStringLiteral("pass:") + password});
    if (!openssl.waitForStarted())
        return {};
    openssl.write(plain);
    openssl.closeWriteChannel();
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return {};
    return openssl.readAllStandardOutput();
}

} // namespace

// The decryptor holds back the last block of every chunk until it knows
// whether padding follows; flush() must write what the final block keeps.
// Plain texts whose length is no multiple of the block size end in a partly
// filled block, which carries real bytes.
TEST(MivStreamTest, DecryptionWritesTheFinalPartialBlock)
{
    const QString password = QStringLiteral("final block");
    for (qsizetype size : {qsizetype(1), qsizetype(15), qsizetype(17), qsizetype(31), qsizetype(4097), qsizetype(65539),
                           qsizetype(0), qsizetype(16), qsizetype(48)}) {
        SCOPED_TRACE(size);
        const QByteArray plain = randomBytes(size, quint32(size) + 11);
        const QByteArray cipher = encryptWithTheCommandLineTool(plain, password);
        ASSERT_EQ(cipher.size(), (size / 16 + 1) * 16) << "the tool pads to whole blocks";

        Pair target(cipher.size() + 64);
        target.in->open();
        MivFileOutputStream decryptor(target.out);
        decryptor.setEncryptionPassword(password);
        decryptor.setDigestComputation(true);
        ASSERT_TRUE(decryptor.openToFileTransfer(true));
        // Chunks that end inside blocks, as a network source delivers them.
        for (qsizetype at = 0; at < cipher.size(); at += 7)
            ASSERT_TRUE(decryptor.writeBytes(cipher.constData() + at, quint64(std::min<qsizetype>(7, cipher.size() - at))));
        ASSERT_TRUE(decryptor.flush());

        QByteArray back(cipher.size() + 64, Qt::Uninitialized);
        back.resize(std::max<qint64>(0, target.in->read(back.data(), back.size())));
        EXPECT_EQ(back.size(), plain.size());
        EXPECT_EQ(back, plain);
        EXPECT_EQ(decryptor.digest(), QCryptographicHash::hash(plain, QCryptographicHash::Md5));
    }
}
