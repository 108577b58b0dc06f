#include "FileData/Extensions/NSTaskAdditions.h"
#include "FileData/Extensions/NSWorkspaceAdditions.h"

#include "platform/LoopThreadMainDispatcher.h"

#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <thread>

namespace {

using namespace std::chrono_literals;
namespace Task = NSTaskAdditions;

const QString kShell = QStringLiteral("/bin/sh");

QStringList script(const char* text)
{
    return {QStringLiteral("-c"), QString::fromUtf8(text)};
}

QString writeFile(const QString& path, const QByteArray& text, bool executable)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

// Launched applications are not waited for; their marker file shows they ran.
bool appearsSoon(const QString& path)
{
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!QFile::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    return QFile::exists(path);
}

TEST(NSTaskAdditionsTest, OutputHoldsStandardErrorAndStandardOutputInOrder)
{
    EXPECT_EQ(Task::executeTaskAtPath(kShell, script("echo oops >&2"), true), QByteArray("oops\n"));
    EXPECT_EQ(Task::executeTaskAtPath(kShell, script("echo a; echo b >&2; echo c"), false), QByteArray("a\nb\nc\n"));
}

TEST(NSTaskAdditionsTest, StandardInputIsAtEndOfFile)
{
    const QByteArray output = Task::executeTaskAtPath(QStringLiteral("/bin/cat"), {}, true);
    EXPECT_FALSE(output.isNull());
    EXPECT_TRUE(output.isEmpty());
}

TEST(NSTaskAdditionsTest, EmptyArgumentArrayStartsTheToolWithoutArguments)
{
    EXPECT_EQ(Task::executeTaskAtPath(QStringLiteral("/bin/echo"), {}, true), QByteArray("\n"));
    // A shell without arguments reads its commands from standard input: none.
    int status = -1;
    EXPECT_EQ(Task::outputStringForTaskAtPath(kShell, {}, plat::TextEncoding::kUTF8, &status), QString());
    EXPECT_EQ(status, 0);
}

TEST(NSTaskAdditionsTest, ToolsThatCannotRunGiveNothingAndKeepTheStatus)
{
    QTemporaryDir folder;
    const QString plain = writeFile(folder.filePath(QStringLiteral("plain")), "echo hi\n", false);
    for (const QString& path : {QString(), folder.filePath(QStringLiteral("missing")), plain, folder.path()}) {
        int status = -77;
        const QString text = Task::outputStringForTaskAtPath(path, {}, plat::TextEncoding::kUTF8, &status);
        EXPECT_TRUE(text.isEmpty() && !text.isNull()) << path.toStdString();
        EXPECT_EQ(status, -77) << path.toStdString();
        EXPECT_TRUE(Task::outputDataForTaskAtPath(path, {}, &status).isNull());
        EXPECT_EQ(status, -77);
        EXPECT_TRUE(Task::executeTaskAtPath(path, {}, true).isNull());
        EXPECT_TRUE(Task::executeTaskAtPath(path, {}, true, plat::TextEncoding::kUTF8).isNull());
    }
}

TEST(NSTaskAdditionsTest, FailingToolGivesItsOutputAndStatus)
{
    int status = -1;
    EXPECT_EQ(Task::outputDataForTaskAtPath(kShell, script("echo partial; exit 3"), &status), QByteArray("partial\n"));
    EXPECT_EQ(status, 3);
    EXPECT_EQ(Task::outputStringForTaskAtPath(kShell, script("printf ok"), plat::TextEncoding::kUTF8, &status),
              QStringLiteral("ok"));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Task::outputStringForTaskAtPath(kShell, script("printf ok"), plat::TextEncoding::kUTF8), QStringLiteral("ok"));
    // Without a status pointer nothing is written anywhere.
    EXPECT_EQ(Task::outputDataForTaskAtPath(kShell, script("exit 4"), nullptr), QByteArray(""));
}

TEST(NSTaskAdditionsTest, DecodingInTheRequestedEncoding)
{
    const QStringList latin1 = script("printf 'caf\\351'");
    EXPECT_EQ(Task::executeTaskAtPath(kShell, latin1, true, plat::TextEncoding::kISOLatin1), QStringLiteral("caf\u00E9"));
    // Not UTF-8: nil from the form that allows it, empty text from the other.
    EXPECT_TRUE(Task::executeTaskAtPath(kShell, latin1, true, plat::TextEncoding::kUTF8).isNull());
    const QString text = Task::outputStringForTaskAtPath(kShell, latin1, plat::TextEncoding::kUTF8);
    EXPECT_TRUE(text.isEmpty() && !text.isNull());
    // Output cut off inside a character is undecodable too.
    EXPECT_TRUE(Task::executeTaskAtPath(kShell, script("printf '\\303'"), true, plat::TextEncoding::kUTF8).isNull());
    EXPECT_EQ(Task::executeTaskAtPath(kShell, script("printf '\\303\\251'"), true, plat::TextEncoding::kUTF8),
              QStringLiteral("\u00E9"));
    // Printed nothing: nil.
    EXPECT_TRUE(Task::executeTaskAtPath(kShell, script("true"), true, plat::TextEncoding::kUTF8).isNull());
}

TEST(NSTaskAdditionsTest, RunCommandUsesTheShell)
{
    EXPECT_EQ(Task::runCommand(QStringLiteral("echo hi; echo there >&2")), QStringLiteral("hi\nthere\n"));
    EXPECT_TRUE(Task::runCommand(QStringLiteral("exit 0")).isNull());
}

TEST(NSTaskAdditionsTest, CommandOutputIsShownOnlyWhenThereIsSome)
{
    QStringList shown;
    Task::setCommandOutputPresenter([&](const QString& output) { shown << output; });
    auto* dispatcher = static_cast<plat::LoopThreadMainDispatcher*>(plat::MainDispatcher::instance());
    dispatcher->runAndWait([] {
        Task::runCommandAndHandleOutput(QStringLiteral("true"));
        Task::runCommandAndHandleOutput(QStringLiteral("echo listing"));
    });
    Task::setCommandOutputPresenter({});
    EXPECT_EQ(shown, QStringList{QStringLiteral("listing\n")});
}

TEST(NSWorkspaceAdditionsTest, MissingApplicationGivesTheFileNotFoundStatus)
{
    QTemporaryDir folder;
    plat::Error error(QStringLiteral("stale"), 1);
    EXPECT_FALSE(NSWorkspaceAdditions::launchApplicationAtPath(folder.filePath(QStringLiteral("Nothing.desktop")), {}, &error));
    EXPECT_TRUE(error.is(plat::kOSStatusErrorDomain, -43)) << error.description().toStdString();

    error = plat::Error(QStringLiteral("stale"), 1);
    EXPECT_FALSE(NSWorkspaceAdditions::launchApplicationAtPath(QString(), {}, &error));
    EXPECT_TRUE(error.isNull());
}

TEST(NSWorkspaceAdditionsTest, LaunchesExecutablesAndDesktopEntries)
{
    QTemporaryDir folder;
    const QString tool = writeFile(folder.filePath(QStringLiteral("app")),
                                   "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.$#.out\"\n", true);
    plat::Error error;
    ASSERT_TRUE(NSWorkspaceAdditions::launchApplicationAtPath(tool, {QStringLiteral("x y"), QStringLiteral("z")}, &error));
    EXPECT_TRUE(error.isNull());
    EXPECT_TRUE(appearsSoon(tool + QStringLiteral(".2.out")));

    const QString entry = writeFile(folder.filePath(QStringLiteral("app.desktop")),
                                    "[Desktop Entry]\nType=Application\nExec=\"" + tool.toUtf8() + "\" --open %U\n", false);
    ASSERT_TRUE(NSWorkspaceAdditions::launchApplicationAtPath(entry, {QStringLiteral("a"), QStringLiteral("b"),
                                                                      QStringLiteral("c")}, &error))
        << error.description().toStdString();
    EXPECT_TRUE(appearsSoon(tool + QStringLiteral(".4.out")));

    // There, but not something that can be started.
    const QString plain = writeFile(folder.filePath(QStringLiteral("notes.txt")), "text\n", false);
    EXPECT_FALSE(NSWorkspaceAdditions::launchApplicationAtPath(plain, {}, &error));
    EXPECT_TRUE(error.is(plat::kOSStatusErrorDomain, -5000)) << error.description().toStdString();
    ASSERT_TRUE(error.underlyingError());
    EXPECT_TRUE(error.underlyingError()->is(plat::kPosixErrorDomain, EACCES));
}

} // namespace
