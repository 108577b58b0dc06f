#include "platform/DesktopEntry.h"

#include "platform/Process.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

using namespace std::chrono_literals;
using plat::DesktopEntry;

QString writeFile(const QString& path, const QByteArray& text, bool executable = false)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DesktopEntryTest, ReadsOnlyTheDesktopEntryGroup)
{
    const DesktopEntry entry = DesktopEntry::parse(
        "# comment\n"
        "[Desktop Entry]\r\n"
        "Type = Application\n"
        "Name=Viewer\n"
        "Name=Second is ignored\n"
        "Comment=a\\sb\\tc\\nd\\\\e\n"
        "Terminal=true\n"
        "Exec=view %f\n"
        "\n"
        "[Desktop Action New]\n"
        "Exec=other\n"
        "Icon=not-this\n",
        QStringLiteral("/apps/viewer.desktop"));
    EXPECT_TRUE(entry.hasDesktopEntryGroup());
    EXPECT_EQ(entry.type(), QStringLiteral("Application"));
    EXPECT_EQ(entry.name(), QStringLiteral("Viewer"));
    EXPECT_EQ(entry.value(QStringLiteral("Comment")), QStringLiteral("a b\tc\nd\\e"));
    EXPECT_EQ(entry.exec(), QStringLiteral("view %f"));
    EXPECT_TRUE(entry.terminal());
    EXPECT_TRUE(entry.icon().isNull());
    EXPECT_FALSE(DesktopEntry::parse("[Other]\nExec=x\n").hasDesktopEntryGroup());
}

TEST(DesktopEntryTest, LocalizedValuesFollowTheLocale)
{
    const DesktopEntry entry = DesktopEntry::parse("[Desktop Entry]\n"
                                                   "Name=Files\n"
                                                   "Name[de]=Dateien\n"
                                                   "Name[de_AT]=Dateien (AT)\n"
                                                   "Name[sr@latin]=Datoteke\n");
    const QByteArray saved = qgetenv("LC_ALL");
    struct Case
    {
        const char* locale;
        const char* name;
    };
    const Case cases[] = {
        {"de_AT.UTF-8", "Dateien (AT)"}, {"de_CH.UTF-8", "Dateien"}, {"sr_RS@latin", "Datoteke"},
        {"fr_FR.UTF-8", "Files"},        {"C.UTF-8", "Files"},
    };
    for (const Case& c : cases) {
        qputenv("LC_ALL", c.locale);
        EXPECT_EQ(entry.name(), QString::fromUtf8(c.name)) << c.locale;
    }
    if (saved.isNull())
        qunsetenv("LC_ALL");
    else
        qputenv("LC_ALL", saved);
}

TEST(DesktopEntryTest, ExecQuotingRules)
{
    struct Case
    {
        const char* exec;
        QStringList arguments;
    };
    const Case cases[] = {
        {"prog a  b", {"prog", "a", "b"}},
        {"\"/opt/My App/run\" --x", {"/opt/My App/run", "--x"}},
        {"sh -c \"echo \\\"hi\\\" \\$HOME \\` \\\\\"", {"sh", "-c", "echo \"hi\" $HOME ` \\"}},
        {"prog \"\" end", {"prog", "", "end"}},
        {"prog a\\ b", {"prog", "a b"}},
        {"prog \"%f\"", {"prog", "%f"}},
    };
    for (const Case& c : cases) {
        QStringList arguments;
        plat::Error error;
        EXPECT_TRUE(DesktopEntry::splitExec(QString::fromUtf8(c.exec), &arguments, &error)) << c.exec;
        EXPECT_EQ(arguments, c.arguments) << c.exec;
    }
    for (const char* bad : {"prog \"open", "", "   "}) {
        QStringList arguments;
        plat::Error error;
        EXPECT_FALSE(DesktopEntry::splitExec(QString::fromUtf8(bad), &arguments, &error)) << bad;
        EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 259)) << bad;
    }
}

TEST(DesktopEntryTest, FieldCodeExpansion)
{
    struct Case
    {
        const char* exec;
        QStringList files;
        QList<QStringList> lines;
    };
    const QString path = QStringLiteral("/apps/viewer.desktop");
    const Case cases[] = {
        {"view %F", {"a", "b c"}, {{"view", "a", "b c"}}},
        {"view %U", {}, {{"view"}}},
        {"view %f", {"a", "b"}, {{"view", "a"}, {"view", "b"}}},
        {"view %u --end", {"x"}, {{"view", "x", "--end"}}},
        {"view %f", {}, {{"view"}}},
        {"view --file=%f", {}, {{"view", "--file="}}},
        {"view %f %F", {"a", "b"}, {{"view", "a", "a", "b"}}},
        {"view %i %c %k", {}, {{"view", "--icon", "viewer-icon", "My Viewer", path}}},
        {"view 100%% %%f", {}, {{"view", "100%", "%f"}}},
        {"view %d %D %n %N %v %m %z -x", {"a"}, {{"view", "-x"}}},
        {"view \"\"", {}, {{"view", ""}}},
        {"view --name=%c", {}, {{"view", "--name=My Viewer"}}},
    };
    for (const Case& c : cases) {
        const DesktopEntry entry = DesktopEntry::parse(
            "[Desktop Entry]\nName=My Viewer\nIcon=viewer-icon\nExec=" + QByteArray(c.exec) + "\n", path);
        QList<QStringList> lines;
        plat::Error error;
        ASSERT_TRUE(entry.commandLines(c.files, &lines, &error)) << c.exec;
        EXPECT_EQ(lines, c.lines) << c.exec;
    }

    // Without an icon, %i leaves nothing behind.
    const DesktopEntry iconless = DesktopEntry::parse("[Desktop Entry]\nExec=view %i -x\n");
    QList<QStringList> lines;
    ASSERT_TRUE(iconless.commandLines({}, &lines, nullptr));
    EXPECT_EQ(lines, QList<QStringList>{QStringList({"view", "-x"})});

    // Escapes of the file format come first, then the Exec quoting.
    const DesktopEntry escaped = DesktopEntry::parse("[Desktop Entry]\nExec=sh -c \"echo \\\\\"hi\\\\\"\"\n");
    ASSERT_TRUE(escaped.commandLines({}, &lines, nullptr));
    EXPECT_EQ(lines, QList<QStringList>{QStringList({"sh", "-c", "echo \"hi\""})});
}

TEST(DesktopEntryTest, LaunchRunsTheExecLineInItsFolder)
{
    QTemporaryDir folder;
    const QString script = writeFile(folder.filePath(QStringLiteral("tool.sh")),
                                     "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > \"$OUT\"\n", true);
    const QString entryPath = writeFile(folder.filePath(QStringLiteral("tool.desktop")),
                                        "[Desktop Entry]\nType=Application\nName=Tool\n"
                                        "Exec=env OUT=" + folder.filePath(QStringLiteral("out.txt")).toUtf8() + " \"" +
                                            script.toUtf8() + "\" --first %F\n"
                                        "Path=" + folder.path().toUtf8() + "\n");
    plat::Error error;
    const auto entry = DesktopEntry::load(entryPath, &error);
    ASSERT_TRUE(entry) << error.description().toStdString();
    const auto processes = entry->launch({QStringLiteral("one two"), QStringLiteral("three")}, &error);
    ASSERT_EQ(processes.size(), 1u) << error.description().toStdString();
    EXPECT_EQ(processes[0]->program(), QStringLiteral("/usr/bin/env"));
    ASSERT_TRUE(processes[0]->waitForExit(plat::WaitClock::now() + 60s));
    EXPECT_EQ(processes[0]->exitStatus(), 0);
    const QList<QByteArray> lines = readFile(folder.filePath(QStringLiteral("out.txt"))).split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[1], "[--first]");
    EXPECT_EQ(lines[2], "[one two]");
    EXPECT_EQ(lines[3], "[three]");
}

TEST(DesktopEntryTest, LaunchFailures)
{
    QTemporaryDir folder;
    plat::Error error;
    EXPECT_FALSE(DesktopEntry::load(folder.filePath(QStringLiteral("none.desktop")), &error));
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 260));

    writeFile(folder.filePath(QStringLiteral("plain.desktop")), "just text\n");
    EXPECT_FALSE(DesktopEntry::load(folder.filePath(QStringLiteral("plain.desktop")), &error));
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 259));

    struct Case
    {
        const char* text;
        const char* domain;
        int code;
    };
    const Case cases[] = {
        {"[Desktop Entry]\nType=Link\nURL=https://example.org\n", plat::kCocoaErrorDomain, 259},
        {"[Desktop Entry]\nExec=no-such-program-here --x\n", plat::kPosixErrorDomain, ENOENT},
        {"[Desktop Entry]\nTryExec=no-such-program-here\nExec=true\n", plat::kPosixErrorDomain, ENOENT},
        {"[Desktop Entry]\nName=No command\n", plat::kCocoaErrorDomain, 259},
    };
    for (const Case& c : cases) {
        error = plat::Error();
        const DesktopEntry entry = DesktopEntry::parse(c.text, QStringLiteral("/x.desktop"));
        EXPECT_TRUE(entry.launch({}, &error).empty()) << c.text;
        EXPECT_TRUE(error.is(c.domain, c.code)) << c.text << " " << error.description().toStdString();
    }
}

TEST(DesktopEntryTest, RecognisesDesktopEntryPaths)
{
    EXPECT_TRUE(DesktopEntry::isDesktopEntryPath(QStringLiteral("/usr/share/applications/a.desktop")));
    EXPECT_FALSE(DesktopEntry::isDesktopEntryPath(QStringLiteral("/usr/share/applications/a.Desktop")));
    EXPECT_FALSE(DesktopEntry::isDesktopEntryPath(QStringLiteral("/tmp/.desktop")));
    EXPECT_FALSE(DesktopEntry::isDesktopEntryPath(QStringLiteral("/usr/bin/desktop")));
}

} // namespace
