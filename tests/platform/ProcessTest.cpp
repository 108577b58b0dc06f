#include "platform/Process.h"

#include "platform/LoopThreadMainDispatcher.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using plat::Process;

// Generous: a loaded machine may be slow to start a shell, but a test that
// hangs must still end.
plat::WaitClock::time_point patience()
{
    return plat::WaitClock::now() + 60s;
}

std::shared_ptr<Process> shell(const QString& script, Process::OutputMode output = Process::OutputMode::Combined)
{
    auto process = std::make_shared<Process>(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), script});
    process->setOutputMode(output);
    return process;
}

TEST(ProcessTest, CombinesOutputAndErrorInWriteOrder)
{
    auto process = shell(QStringLiteral("echo one; echo two >&2; echo three"));
    plat::Error error;
    ASSERT_TRUE(process->start(&error)) << error.description().toStdString();
    EXPECT_EQ(process->readAllOutput(), QByteArray("one\ntwo\nthree\n"));
    ASSERT_TRUE(process->waitForExit(patience()));
    EXPECT_EQ(process->exitStatus(), 0);
    EXPECT_EQ(process->terminationReason(), Process::TerminationReason::Exit);
    EXPECT_FALSE(process->isRunning());
}

TEST(ProcessTest, StandardInputIsAtEndOfFileAtOnce)
{
    for (const auto mode : {Process::InputMode::ClosedPipe, Process::InputMode::Null}) {
        Process cat(QStringLiteral("/bin/cat"), {});
        cat.setInputMode(mode);
        cat.setOutputMode(Process::OutputMode::Combined);
        ASSERT_TRUE(cat.start());
        const QByteArray output = cat.readAllOutput();
        EXPECT_TRUE(output.isEmpty());
        EXPECT_FALSE(output.isNull());
        ASSERT_TRUE(cat.waitForExit(patience()));
        EXPECT_EQ(cat.exitStatus(), 0);
    }
}

// Secrets travel on standard input: the child reads exactly the bytes, and
// its command line (what /proc shows every user) never holds them. Inputs
// beyond the default pipe size still start without waiting for the child.
TEST(ProcessTest, InputDataReachesStandardInputOnly)
{
    const QByteArray small("pass phrase with ; and ' quotes");
    const QByteArray large(200 * 1024, 'x');
    for (const QByteArray& input : {small, large}) {
        auto process = shell(QStringLiteral("cat; printf '|'; cat /proc/$$/cmdline"));
        process->setInputData(input);
        plat::Error error;
        ASSERT_TRUE(process->start(&error)) << error.description().toStdString();
        const QByteArray output = process->readAllOutput();
        ASSERT_TRUE(process->waitForExit(patience()));
        const qsizetype bar = output.indexOf('|');
        ASSERT_GE(bar, 0);
        EXPECT_EQ(output.first(bar), input);
        EXPECT_FALSE(output.sliced(bar).contains(input.first(8)));
    }
}

TEST(ProcessTest, ExitStatusAndSignals)
{
    auto exits = shell(QStringLiteral("exit 7"));
    ASSERT_TRUE(exits->start());
    ASSERT_TRUE(exits->waitForExit(patience()));
    EXPECT_EQ(exits->exitStatus(), 7);

    auto killed = shell(QStringLiteral("kill -TERM $$"));
    ASSERT_TRUE(killed->start());
    ASSERT_TRUE(killed->waitForExit(patience()));
    EXPECT_EQ(killed->terminationReason(), Process::TerminationReason::UncaughtSignal);
    EXPECT_EQ(killed->exitStatus(), SIGTERM);
}

TEST(ProcessTest, WaitStopsAtTheDeadline)
{
    Process sleeper(QStringLiteral("/bin/sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(sleeper.start());
    EXPECT_FALSE(sleeper.waitForExit(plat::WaitClock::now() + 20ms));
    EXPECT_TRUE(sleeper.isRunning());
    EXPECT_EQ(sleeper.exitStatus(), -1);
    ASSERT_EQ(::kill(sleeper.pid(), SIGKILL), 0);
    ASSERT_TRUE(sleeper.waitForExit(patience()));
    EXPECT_EQ(sleeper.exitStatus(), SIGKILL);
}

TEST(ProcessTest, RefusedStartGivesAPosixError)
{
    QTemporaryDir folder;
    struct Case
    {
        QString program;
        int code;
    };
    const Case cases[] = {
        {folder.path() + QStringLiteral("/missing"), ENOENT},
        {folder.path(), EACCES},
    };
    for (const Case& c : cases) {
        Process process(c.program, {});
        plat::Error error;
        EXPECT_FALSE(process.start(&error));
        EXPECT_TRUE(error.is(plat::kPosixErrorDomain, c.code)) << error.description().toStdString();
        EXPECT_FALSE(process.isRunning());
        EXPECT_EQ(process.exitStatus(), -1);
        EXPECT_TRUE(process.readAllOutput().isEmpty());
    }
}

TEST(ProcessTest, OutputNobodyReadsDoesNotStallTheChild)
{
    // Far more than a pipe holds: the child finishes only if the output is drained.
    auto process = shell(QStringLiteral("head -c 2000000 /dev/zero"));
    ASSERT_TRUE(process->start());
    ASSERT_TRUE(process->waitForExit(patience()));
    EXPECT_EQ(process->exitStatus(), 0);
    EXPECT_EQ(process->readAllOutput().size(), 2000000);
}

TEST(ProcessTest, ChildGetsNoInheritedDescriptorsAndDefaultSignals)
{
    // A descriptor without close-on-exec, as a careless library would leave it.
    const int stray = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 3);
    ::signal(SIGPIPE, SIG_IGN);
    auto process = shell(QStringLiteral("ls /proc/$$/fd; yes | head -n 1"));
    ASSERT_TRUE(process->start());
    const QStringList lines = QString::fromUtf8(process->readAllOutput()).split(u'\n', Qt::SkipEmptyParts);
    ::close(stray);
    EXPECT_FALSE(lines.contains(QString::number(stray))) << lines.join(u' ').toStdString();
    // "yes" ends by SIGPIPE quietly; with SIGPIPE ignored it would complain.
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QStringLiteral("y"));
}

TEST(ProcessTest, ArgumentsKeepBytesThatAreNotUtf8)
{
    // Byte 0xE9 of a Latin-1 file name travels as the lone surrogate U+DCE9.
    const QString name = QStringLiteral("caf") + QChar(char16_t(0xDCE9)) + QStringLiteral("-\u00E9");
    auto process = std::make_shared<Process>(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" | od -An -tx1"), QStringLiteral("sh"), name});
    process->setOutputMode(Process::OutputMode::Combined);
    ASSERT_TRUE(process->start());
    EXPECT_EQ(process->readAllOutput().simplified(), QByteArray("63 61 66 e9 2d c3 a9"));
}

// An empty argument is an argument: a tool told `grep "" file` or
// `rsync --rsh ""` must see it in its place, not lose it or shift the rest.
TEST(ProcessTest, EmptyArgumentsReachTheChildInTheirPlace)
{
    struct Case
    {
        QStringList arguments;
        QByteArray seen;
    };
    const Case cases[] = {
        {{QString()}, "1:<>"},
        {{QStringLiteral("")}, "1:<>"},
        {{QStringLiteral(""), QStringLiteral("x")}, "2:<><x>"},
        {{QStringLiteral("a"), QStringLiteral(""), QStringLiteral("b")}, "3:<a><><b>"},
        {{QStringLiteral("x"), QStringLiteral("")}, "2:<x><>"},
        {{QStringLiteral(""), QStringLiteral(""), QStringLiteral("")}, "3:<><><>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seen.toStdString());
        // "$0" is the name the shell reports; the arguments follow as $1...
        QStringList arguments{QStringLiteral("-c"), QStringLiteral("printf '%s:' \"$#\"; for a; do printf '<%s>' \"$a\"; done"),
                              QStringLiteral("sh")};
        arguments += c.arguments;
        Process process(QStringLiteral("/bin/sh"), arguments);
        process.setOutputMode(Process::OutputMode::Combined);
        plat::Error error;
        ASSERT_TRUE(process.start(&error)) << error.description().toStdString();
        EXPECT_EQ(process.readAllOutput(), c.seen);
        ASSERT_TRUE(process.waitForExit(patience()));
        EXPECT_EQ(process.exitStatus(), 0);
    }
}

TEST(ProcessTest, WorkingDirectoryAndDiscardedOutput)
{
    QTemporaryDir folder;
    auto process = shell(QStringLiteral("pwd > out.txt; echo dropped"), Process::OutputMode::Discard);
    process->setWorkingDirectory(folder.path());
    ASSERT_TRUE(process->start());
    ASSERT_TRUE(process->waitForExit(patience()));
    EXPECT_TRUE(process->readAllOutput().isEmpty());
    QFile out(folder.filePath(QStringLiteral("out.txt")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(QDir(QString::fromUtf8(out.readAll().trimmed())).canonicalPath(), QDir(folder.path()).canonicalPath());
}

TEST(ProcessTest, MainThreadWaitEndsWhenTheChildExits)
{
    auto* dispatcher = static_cast<plat::LoopThreadMainDispatcher*>(plat::MainDispatcher::instance());
    bool exited = false;
    QByteArray output;
    dispatcher->runAndWait([&] {
        auto process = shell(QStringLiteral("echo main"));
        ASSERT_TRUE(process->start());
        output = process->readAllOutput();
        exited = process->waitForExit();
    });
    EXPECT_TRUE(exited);
    EXPECT_EQ(output, QByteArray("main\n"));
}

bool isZombieChild(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 && fields[0] == "Z" && fields[1].toInt() == ::getpid();
}

TEST(ProcessTest, DroppedProcessesAreReaped)
{
    pid_t pid = -1;
    {
        Process process(QStringLiteral("/bin/true"), {});
        ASSERT_TRUE(process.start());
        pid = process.pid();
    }
    ASSERT_GT(pid, 0);
    const auto deadline = plat::WaitClock::now() + 30s;
    while (::kill(pid, 0) == 0 && plat::WaitClock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(isZombieChild(pid));
    EXPECT_NE(::kill(pid, 0), 0) << "child " << pid << " was not reaped";
}

} // namespace
