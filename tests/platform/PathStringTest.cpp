#include "platform/PathString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

namespace PS = plat::PathString;

struct Row
{
    const char* input;
    const char* expected;
};

void checkTable(const char* what, const std::function<QString(const QString&)>& op, std::initializer_list<Row> rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(what) + "(\"" + row.input + "\")");
        EXPECT_EQ(op(QString::fromUtf8(row.input)), QString::fromUtf8(row.expected));
    }
}

TEST(PathStringTest, LastComponentAndExtension)
{
    checkTable("lastPathComponent", PS::lastPathComponent,
               {{"/tmp/scratch.tiff", "scratch.tiff"},
                {"/tmp/lock/", "lock"},
                {"scratch///", "scratch"},
                {"scratch", "scratch"},
                {"/", "/"},
                {"///", "/"},
                {"", ""}});
    checkTable("pathExtension", PS::pathExtension,
               {{"archive.tar.gz", "gz"},
                {"/tmp/scratch.tiff", "tiff"},
                {".profile", ""},
                {"/home/u/.profile", ""},
                {".scratch.tiff", "tiff"},
                {"..tiff", "tiff"},
                {"file.", ""},
                {"/tmp/a.b/", "b"},
                {"/a.b/c", ""},
                {"/", ""},
                {"", ""}});
    checkTable("deletingPathExtension", PS::deletingPathExtension,
               {{"/tmp/scratch.tiff", "/tmp/scratch"},
                {"archive.tar.gz", "archive.tar"},
                {".profile", ".profile"},
                {"scratch.bundle/", "scratch"},
                {"a..b", "a."},
                {"file.", "file."},
                {"/a.b/c", "/a.b/c"},
                {"/", "/"},
                {"", ""}});
}

TEST(PathStringTest, ParentAndAppending)
{
    checkTable("deletingLastPathComponent", PS::deletingLastPathComponent,
               {{"/tmp/scratch.tiff", "/tmp"},
                {"/tmp/lock/", "/tmp"},
                {"/tmp", "/"},
                {"/", "/"},
                {"a//b", "a"},
                {"scratch.tiff", ""},
                {"", ""}});
    struct Join
    {
        const char* path;
        const char* component;
        const char* expected;
    };
    const Join joins[] = {
        {"/tmp", "scratch.tiff", "/tmp/scratch.tiff"}, {"/tmp/", "/a/", "/tmp/a"}, {"/", "a", "/a"},
        {"", "a", "a"},           {"/tmp", "", "/tmp"},  {"a//b", "c//d", "a/b/c/d"},
        {"/a", "..", "/a/.."},
    };
    for (const Join& j : joins) {
        SCOPED_TRACE(std::string(j.path) + " + " + j.component);
        EXPECT_EQ(PS::appendingPathComponent(QString::fromUtf8(j.path), QString::fromUtf8(j.component)),
                  QString::fromUtf8(j.expected));
    }
}

TEST(PathStringTest, StandardizingAndComponents)
{
    const QString home = PS::homeDirectory();
    ASSERT_FALSE(home.isEmpty());
    checkTable("standardizingPath", [&](const QString& p) { return PS::standardizingPath(p).replace(home, "HOME"); },
               {{"/a/../b", "/b"},
                {"a/../b", "a/../b"},
                {"../x", "../x"},
                {"/a/./b//c/", "/a/b/c"},
                {"/..", "/"},
                {"/a/b/../../..", "/"},
                {"./", "."},
                {"/", "/"},
                {"", ""},
                {"~", "HOME"},
                {"~/Desktop/../Desktop", "HOME/Desktop"},
                {"/x/~", "/x/~"}});

    // Dropping "./" must not leave a leading "~" that a second pass would
    // expand: standardising a standardised path changes nothing.
    checkTable("standardizingPath", [&](const QString& p) { return PS::standardizingPath(p); },
               {{"./~root", "./~root"},
                {".//~root/x/.", "./~root/x"},
                {"././~", "./~"},
                {"./~no-such-user-here", "./~no-such-user-here"},
                {"~no-such-user-here/./x", "~no-such-user-here/x"},
                {"a/./~root", "a/~root"},
                {"./a/~root", "a/~root"}});
    for (const char* input : {"./~root", "./~", ".//~/x", "~/./x", "/./~root", "./.././~root", "a/../~root", "./~root/..", "~root/../.."}) {
        SCOPED_TRACE(input);
        const QString once = PS::standardizingPath(QString::fromUtf8(input));
        EXPECT_EQ(PS::standardizingPath(once), once);
    }

    EXPECT_EQ(PS::pathComponents(QStringLiteral("/tmp/a/")), QStringList({"/", "tmp", "a"}));
    EXPECT_EQ(PS::pathComponents(QStringLiteral("a//b")), QStringList({"a", "b"}));
    EXPECT_TRUE(PS::pathComponents(QString()).isEmpty());
    EXPECT_EQ(PS::pathWithComponents({"/", "tmp", "a"}), QStringLiteral("/tmp/a"));
    EXPECT_EQ(PS::pathWithComponents({"..", "x"}), QStringLiteral("../x"));
    EXPECT_EQ(PS::pathWithComponents({"/"}), QStringLiteral("/"));
}

TEST(PathStringTest, TildeExpansion)
{
    const QString home = PS::homeDirectory();
    EXPECT_EQ(home, QString::fromLocal8Bit(std::getenv("HOME")));
    EXPECT_EQ(PS::expandingTildeInPath(QStringLiteral("~")), home);
    EXPECT_EQ(PS::expandingTildeInPath(QStringLiteral("~/")), home);
    EXPECT_EQ(PS::expandingTildeInPath(QStringLiteral("~/a/b")), home + QStringLiteral("/a/b"));
    EXPECT_EQ(PS::expandingTildeInPath(QStringLiteral("a/~")), QStringLiteral("a/~"));
    // Another user's home comes from the password database.
    EXPECT_EQ(PS::expandingTildeInPath(QStringLiteral("~root/x")), PS::homeDirectoryForUser("root") + "/x");
    EXPECT_FALSE(PS::homeDirectoryForUser(QStringLiteral("root")).isEmpty());
    EXPECT_EQ(PS::expandingTildeInPath(QStringLiteral("~no-such-user-here/x")), QStringLiteral("~no-such-user-here/x"));
}

} // namespace
