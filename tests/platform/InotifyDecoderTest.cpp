#include "platform/FileSystemEvent.h"
#include "platform/InotifyDecoder.h"

#include "support/RandomBytes.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>

namespace {

using plat::InotifyRecord;
namespace Decoder = plat::InotifyDecoder;

TEST(InotifyDecoderTest, DecodesWhatTheKernelLaysOut)
{
    const std::vector<InotifyRecord> records = {
        {1, IN_CREATE, 0, QByteArray("a.txt")},
        {1, IN_DELETE_SELF, 0, QByteArray()},
        {2, IN_MOVED_FROM | IN_ISDIR, 77, QByteArray("caf\xE9")},
        {3, IN_CREATE, 0, QByteArray(15, 'n')}, // name plus NUL exactly fill one 16-byte step
    };
    EXPECT_EQ(Decoder::decode(Decoder::encode(records)), records);
    EXPECT_TRUE(Decoder::decode(QByteArray()).empty());
}

TEST(InotifyDecoderTest, StopsAtARecordThatRunsPastTheBuffer)
{
    const QByteArray whole = Decoder::encode({{1, IN_CREATE, 0, QByteArray("first")}, {1, IN_DELETE, 0, QByteArray("second")}});
    const QByteArray one = Decoder::encode({{1, IN_CREATE, 0, QByteArray("first")}});
    // Cut inside the second header, then inside the second name.
    for (const qsizetype cut : {one.size() + 3, whole.size() - 1}) {
        const auto records = Decoder::decode(whole.left(cut));
        ASSERT_EQ(records.size(), 1u) << cut;
        EXPECT_EQ(records.front().name, QByteArray("first"));
    }
}

TEST(InotifyDecoderTest, DropsANameThatHoldsASeparator)
{
    const QByteArray bytes = Decoder::encode(
        {{1, IN_CREATE, 0, QByteArray("../escape")}, {1, IN_CREATE, 0, QByteArray("fine")}});
    const auto records = Decoder::decode(bytes);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.front().name, QByteArray("fine"));
}

TEST(InotifyDecoderTest, HostileBytesDecodeWithinTheBuffer)
{
    // A valid record followed by noise, and noise that claims huge names.
    const QByteArray valid = Decoder::encode({{4, IN_CREATE, 0, QByteArray("ok")}});
    for (quint32 seed = 1; seed <= 200; ++seed) {
        QByteArray bytes = valid + mivtest::randomBytes(seed * 7 % 300, seed);
        for (const auto& record : Decoder::decode(bytes)) {
            EXPECT_FALSE(record.name.contains('/'));
            EXPECT_LE(record.name.size(), bytes.size());
        }
        EXPECT_EQ(Decoder::decode(bytes).front().name, QByteArray("ok"));
    }
}

TEST(InotifyDecoderTest, MapsKernelMasksToEventFlags)
{
    const struct
    {
        quint32 mask;
        quint32 flags;
    } cases[] = {
        {IN_CREATE, 0x10100},
        {IN_CREATE | IN_ISDIR, 0x20100},
        {IN_DELETE, 0x10200},
        {IN_DELETE | IN_ISDIR, 0x20200},
        {IN_MODIFY, 0x11000},
        {IN_CLOSE_WRITE, 0x11000},
        {IN_ATTRIB, 0x10400},
        {IN_ATTRIB | IN_ISDIR, 0x20400},
        {IN_MOVED_FROM, 0x10800},
        {IN_MOVED_TO | IN_ISDIR, 0x20800},
        {IN_DELETE_SELF, 0x20200},
        {IN_MOVE_SELF, 0x20800},
        {IN_UNMOUNT, 0x20080},
        {IN_Q_OVERFLOW, 0x1},
        {IN_IGNORED, 0},
        {IN_OPEN, 0},
        {IN_ACCESS | IN_ISDIR, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decoder::eventFlags(c.mask), c.flags) << std::hex << c.mask;
}

} // namespace
