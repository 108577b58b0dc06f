#include "platform/MountTable.h"

#include "platform/Error.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/sysmacros.h>

namespace {

using plat::MountTable;

TEST(MountTableTest, ReadsFieldsAroundOptionalTags)
{
    const QByteArray text = "36 35 98:0 /mnt1 /mnt/parent\\040dir rw,noatime master:1 shared:7 - ext3 /dev/root rw,errors=continue\n"
                            "50 27 0:45 / /mnt/nfs rw,relatime - nfs4 server:/export rw,vers=4.2,port=2049\n";
    const auto entries = MountTable::parse(text);
    ASSERT_EQ(entries.size(), 2);
    const plat::MountEntry& first = entries[0];
    EXPECT_EQ(first.mountId, 36);
    EXPECT_EQ(first.parentId, 35);
    EXPECT_EQ(first.device, makedev(98, 0));
    EXPECT_EQ(first.root, QStringLiteral("/mnt1"));
    EXPECT_EQ(first.mountPoint, QStringLiteral("/mnt/parent dir"));
    EXPECT_EQ(first.options, QStringLiteral("rw,noatime"));
    EXPECT_EQ(first.fsType, QStringLiteral("ext3"));
    EXPECT_EQ(first.source, QStringLiteral("/dev/root"));
    EXPECT_EQ(first.superOptions, QStringLiteral("rw,errors=continue"));
    EXPECT_EQ(MountTable::option(entries[1].superOptions, QLatin1StringView("port")), QStringLiteral("2049"));
    EXPECT_TRUE(MountTable::option(entries[1].superOptions, QLatin1StringView("vers=4")).isNull());
    EXPECT_TRUE(MountTable::option(entries[1].superOptions, QLatin1StringView("rsize")).isNull());
}

TEST(MountTableTest, MalformedLinesAreSkipped)
{
    const QByteArray text = "\n"
                            "garbage\n"
                            "1 2 8:1 / /a rw - ext4\n"             // no source
                            "1 2 8:1 / /a rw ext4 /dev/sda1 rw\n"  // no separator
                            "x 2 8:1 / /a rw - ext4 /dev/sda1 rw\n"
                            "1 2 81 / /a rw - ext4 /dev/sda1 rw\n"
                            "1 2 8:1 / relative rw - ext4 /dev/sda1 rw\n"
                            "1 2 8:1 / /ok rw - ext4 /dev/sda1\n"; // no super options: still a mount
    const auto entries = MountTable::parse(text);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].mountPoint, QStringLiteral("/ok"));
    EXPECT_TRUE(entries[0].superOptions.isEmpty());
}

TEST(MountTableTest, EscapesKeepEveryByte)
{
    struct Case
    {
        QByteArray field;
        QByteArray bytes;
    } cases[] = {
        {"/a\\040b", "/a b"},   {"/tab\\011x", "/tab\tx"}, {"/nl\\012", "/nl\n"},
        {"/back\\134slash", "/back\\slash"},              {"/raw\\377", "/raw\xff"},
        {"/short\\04", "/short\\04"},                      {"/notoctal\\089", "/notoctal\\089"},
        {"/end\\", "/end\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::Path::toNative(MountTable::unescapeField(c.field)), c.bytes) << c.field.constData();
}

TEST(MountTableTest, ReadsTheRunningSystemsTable)
{
    plat::Error error;
    const auto entries = MountTable::read(QStringLiteral("/proc"), &error);
    ASSERT_TRUE(entries.has_value());
    EXPECT_TRUE(std::any_of(entries->cbegin(), entries->cend(), [](const plat::MountEntry& e) { return e.mountPoint == QLatin1String("/"); }));
    EXPECT_FALSE(MountTable::read(QStringLiteral("/nonexistent-proc"), &error).has_value());
    EXPECT_FALSE(error.isNull());
}

} // namespace
