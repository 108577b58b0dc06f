#include "platform/Path.h"
#include "platform/Trash.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QTime>

#include <optional>

#include <gtest/gtest.h>

namespace {

TEST(TrashInfoTest, ReadsOnlyWellFormedRecords)
{
    struct Case
    {
        QByteArray text;
        std::optional<QString> path;
    };
    const Case cases[] = {
        {"[Trash Info]\nPath=/tmp/a%20b\nDeletionDate=2026-12-11T06:00:00\n", QStringLiteral("/tmp/a b")},
        {"[Trash Info]\r\nPath=rel/x\r\n", QStringLiteral("rel/x")},
        {"# comment\n[Trash Info]\nPath=/first\nPath=/second\n", QStringLiteral("/first")},
        {"[Other]\nPath=/no\n", std::nullopt},
        {"Path=/outside-a-group\n", std::nullopt},
        {"[Trash Info]\nDeletionDate=2026-12-11T06:00:00\n", std::nullopt},
        {"[Trash Info]\nPath=/with%00nul\n", std::nullopt},
        {"[Trash Info]\nPath=\n", std::nullopt},
        {"[Trash Info]\nPath=/x\n[Trash Info]\nPath=/y\n", QStringLiteral("/x")},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto info = plat::Trash::parseInfo(c.text);
        ASSERT_EQ(info.has_value(), c.path.has_value()) << c.text.toStdString();
        if (info)
            EXPECT_EQ(info->path, *c.path) << c.text.toStdString();
    }
    const auto withDate = plat::Trash::parseInfo(plat::Trash::formatInfo(QStringLiteral("/a"), QDateTime(QDate(2026, 12, 11), QTime(6, 1, 2))));
    ASSERT_TRUE(withDate);
    EXPECT_EQ(withDate->deletionDate, QDateTime(QDate(2026, 12, 11), QTime(6, 1, 2)));
}

TEST(TrashInfoTest, AnyNameSurvivesTheRecord)
{
    const QString names[] = {
        plat::Path::fromNative(QByteArray("/tmp/caf\xE9 %25 [x]\n.txt")),
        QStringLiteral("relative/\u00E9t\u00E9/%"),
        QStringLiteral("/a=b;c#d"),
    };
    for (const QString& name : names) {
        const QByteArray record = plat::Trash::formatInfo(name, QDateTime::currentDateTime());
        EXPECT_EQ(record.count('\n'), 3) << "one line per key, whatever the name holds";
        const auto info = plat::Trash::parseInfo(record);
        ASSERT_TRUE(info);
        EXPECT_EQ(plat::Path::toNative(info->path), plat::Path::toNative(name));
    }
}

// Emptying removes trashed links themselves, never what they point to, and
// leaves the trash folders in place for the next entries.
TEST(TrashTest, EmptyingKeepsWhatLinksPointTo)
{
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_FALSE(home.isEmpty());
    const QString outside = home + QStringLiteral("/kept-folder");
    ASSERT_TRUE(QDir().mkpath(outside + QStringLiteral("/inner")));
    QFile keep(outside + QStringLiteral("/inner/file"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    const QString link = home + QStringLiteral("/link-to-kept");
    ASSERT_TRUE(QFile::link(outside, link));
    const QString folder = home + QStringLiteral("/trashed-folder/deep");
    ASSERT_TRUE(QDir().mkpath(folder));

    plat::Error error;
    ASSERT_FALSE(plat::Trash::moveToTrash(link, &error).isEmpty()) << error.description().toStdString();
    ASSERT_FALSE(plat::Trash::moveToTrash(home + QStringLiteral("/trashed-folder"), &error).isEmpty());
    ASSERT_TRUE(plat::Trash::emptyHomeTrash(&error)) << error.description().toStdString();

    const QString trash = plat::Trash::homeTrashFolder();
    EXPECT_TRUE(QDir(trash + QStringLiteral("/files")).exists());
    EXPECT_TRUE(QDir(trash + QStringLiteral("/files")).isEmpty());
    EXPECT_TRUE(QDir(trash + QStringLiteral("/info")).isEmpty());
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/inner/file")));
    QDir(outside).removeRecursively();
}

} // namespace
