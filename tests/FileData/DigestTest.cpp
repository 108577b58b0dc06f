#include "FileData/Extensions/DataDigest.h"
#include "FileData/Extensions/StringDigest.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {

std::string str(const QString& s)
{
    return s.toStdString();
}

TEST(DigestTest, KnownVectors)
{
    struct Case
    {
        QByteArray data;
        const char* crc32;
        const char* md5;
        const char* sha1;
        const char* sha256;
    };
    const Case cases[] = {
        {QByteArray(), "00000000", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "352441C2", "900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d",
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"123456789", "CBF43926", "25f9e794323b453885f5181f1b624d0b", "f7c3bc1d808e04732adf679965ccc34ca7ae3441",
         "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str(DataDigest::CRC32(c.data)), c.crc32) << c.data.toStdString();
        EXPECT_EQ(str(DataDigest::MD5(c.data)), c.md5) << c.data.toStdString();
        EXPECT_EQ(str(DataDigest::SHA1(c.data)), c.sha1) << c.data.toStdString();
        EXPECT_EQ(str(DataDigest::SHA256(c.data)), c.sha256) << c.data.toStdString();
    }
    EXPECT_EQ(str(DataDigest::SHA512("abc")),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
              "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
    EXPECT_EQ(str(DataDigest::SHA512(QByteArray())),
              "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
              "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
}

TEST(DigestTest, CrcKeepsLeadingZeros)
{
    // The CRC-32 of these four bytes is 0xADC038: six hex digits.
    EXPECT_EQ(str(DataDigest::CRC32(QByteArray::fromHex("7c000000"))), "00ADC038");
}

TEST(DigestTest, StringsAreDigestedAsUtf8UpToTheFirstZero)
{
    EXPECT_EQ(str(StringDigest::MD5("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(str(StringDigest::CRC32("123456789")), "CBF43926");
    const QString withZero = QString("abc") + QChar(0) + QString("def");
    EXPECT_EQ(str(StringDigest::SHA1(withZero)), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(str(StringDigest::CRC32(withZero)), "352441C2");
    EXPECT_EQ(str(StringDigest::SHA256(QString())), str(DataDigest::SHA256(QByteArray())));
    const QString nonAscii = QString::fromUtf8("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(str(StringDigest::SHA512(nonAscii)), str(DataDigest::SHA512(nonAscii.toUtf8())));
    EXPECT_EQ(str(StringDigest::MD5(nonAscii)), str(DataDigest::MD5(nonAscii.toUtf8())));
}

// One megabyte of varied bytes, compared with the coreutils tools.
TEST(DigestTest, MegabyteAgreesWithCoreutils)
{
    QByteArray data(1024 * 1024, '\0');
    quint32 state = 12345;
    for (char& b : data) {
        state = state * 1103515245u + 12345u;
        b = char(state >> 16);
    }
    QTemporaryDir dir(QDir(mivtest::TestEnvironment::root()).filePath("digest-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("data.bin");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
    file.close();

    const auto tool = [&](const char* name) {
        QProcess process;
        process.start(QString::fromLatin1(name), {path});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            return std::string("<" + std::string(name) + " failed>");
        return process.readAllStandardOutput().split(' ').value(0).toStdString();
    };
    EXPECT_EQ(str(DataDigest::MD5(data)), tool("md5sum"));
    EXPECT_EQ(str(DataDigest::SHA1(data)), tool("sha1sum"));
    EXPECT_EQ(str(DataDigest::SHA256(data)), tool("sha256sum"));
    EXPECT_EQ(str(DataDigest::SHA512(data)), tool("sha512sum"));
}

} // namespace
