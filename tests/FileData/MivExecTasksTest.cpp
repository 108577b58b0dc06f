#include "FileData/MivExec.h"

#include "FileData/MivTaskLaunchException.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <thread>

#include <signal.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

plat::WaitClock::time_point patience()
{
    return plat::WaitClock::now() + 60s;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MivExecTasksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        // Records its arguments, one per line, next to itself.
        m_tool = write(QStringLiteral("tool"), "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$0.out\"\n", true);
    }

    QString write(const QString& name, const QByteArray& text, bool executable)
    {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        return path;
    }

    QByteArray recorded() const { return readFile(m_tool + QStringLiteral(".out")); }

    QTemporaryDir m_folder;
    QString m_tool;
};

TEST_F(MivExecTasksTest, LoginShellModeJoinsParametersWithoutQuoting)
{
    const QStringList params{QStringLiteral("a b"), QStringLiteral("c")};
    const auto process = MivExec::executeTaskWithLaunchPath(m_tool, &params, 2);
    ASSERT_TRUE(process);
    EXPECT_EQ(process->program(), QStringLiteral("/bin/bash"));
    EXPECT_EQ(process->arguments(), (QStringList{QStringLiteral("-l"), QStringLiteral("-c"), m_tool + QStringLiteral(" a b c")}));
    ASSERT_TRUE(process->waitForExit(patience()));
    EXPECT_EQ(recorded(), QByteArray("a\nb\nc\n"));

    const auto bare = MivExec::executeTaskWithLaunchPath(m_tool, nullptr, 2);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->arguments(), (QStringList{QStringLiteral("-l"), QStringLiteral("-c"), m_tool + u' '}));
    bare->waitForExit(patience());
}

TEST_F(MivExecTasksTest, DirectModesPassParametersUnchanged)
{
    const QStringList params{QStringLiteral("a b"), QStringLiteral("c")};
    for (const int mode : {0, 1, 3, 7, -1}) {
        QFile::remove(m_tool + QStringLiteral(".out"));
        const auto process = MivExec::executeTaskWithLaunchPath(m_tool, &params, mode);
        ASSERT_TRUE(process) << mode;
        EXPECT_EQ(process->program(), m_tool) << mode;
        EXPECT_EQ(process->arguments(), params) << mode;
        ASSERT_TRUE(process->waitForExit(patience()));
        EXPECT_EQ(recorded(), QByteArray("a b\nc\n")) << mode;
    }
    const auto none = MivExec::executeTaskWithLaunchPath(m_tool, nullptr, 1);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->arguments().isEmpty());
    none->waitForExit(patience());
}

TEST_F(MivExecTasksTest, DesktopEntryIsLaunchedByItsExecLine)
{
    const QString entry = write(QStringLiteral("Tool.desktop"),
                                "[Desktop Entry]\nType=Application\nName=Tool\nExec=\"" + m_tool.toUtf8() +
                                    "\" --name %c %F\n",
                                false);
    const QStringList params{QStringLiteral("x y"), QStringLiteral("z")};
    for (const int mode : {0, 3}) {
        QFile::remove(m_tool + QStringLiteral(".out"));
        const auto process = MivExec::executeTaskWithLaunchPath(entry, &params, mode);
        ASSERT_TRUE(process) << mode;
        EXPECT_EQ(process->program(), m_tool);
        EXPECT_EQ(process->arguments(),
                  (QStringList{QStringLiteral("--name"), QStringLiteral("Tool"), QStringLiteral("x y"), QStringLiteral("z")}));
        ASSERT_TRUE(process->waitForExit(patience()));
        EXPECT_EQ(recorded(), QByteArray("--name\nTool\nx y\nz\n"));
    }
    // In the direct mode the entry is just a file, and not an executable one.
    EXPECT_THROW(MivExec::executeTaskWithLaunchPath(entry, &params, 1), MivTaskLaunchException);
}

TEST_F(MivExecTasksTest, MissingPathOrProgramGivesNothing)
{
    const QString missing = m_folder.filePath(QStringLiteral("missing"));
    EXPECT_FALSE(MivExec::executeTaskWithLaunchPath(QString(), nullptr, 1));
    for (const int mode : {0, 1, 3, 9})
        EXPECT_FALSE(MivExec::executeTaskWithLaunchPath(missing, nullptr, mode)) << mode;
    EXPECT_FALSE(MivExec::executeTaskWithLaunchPath(missing + QStringLiteral(".desktop"), nullptr, 3));

    const QString notInstalled =
        write(QStringLiteral("gone.desktop"), "[Desktop Entry]\nExec=no-such-program-anywhere %f\n", false);
    EXPECT_FALSE(MivExec::executeTaskWithLaunchPath(notInstalled, nullptr, 0));
}

TEST_F(MivExecTasksTest, RefusedStartThrowsWithTheError)
{
    const QString plain = write(QStringLiteral("plain"), "echo\n", false);
    try {
        MivExec::executeTaskWithLaunchPath(plain, nullptr, 1);
        ADD_FAILURE() << "no exception";
    } catch (const MivTaskLaunchException& e) {
        EXPECT_TRUE(e.error().is(plat::kPosixErrorDomain, EACCES)) << e.what();
    }
    const QString broken = write(QStringLiteral("broken.desktop"), "[Desktop Entry]\nExec=\"unterminated\n", false);
    EXPECT_THROW(MivExec::executeTaskWithLaunchPath(broken, nullptr, 0), MivTaskLaunchException);
}

// Zombie children of this process, by pid.
QList<pid_t> zombieChildren()
{
    QList<pid_t> zombies;
    const QString self = QString::number(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] == "Z" && fields[1] == self.toLatin1())
            zombies << pid;
    }
    return zombies;
}

TEST_F(MivExecTasksTest, ToolsStartedWithoutWaitingLeaveNoZombies)
{
    QList<pid_t> pids;
    for (int i = 0; i < 5; ++i) {
        const QStringList params{QStringLiteral("-c"), QStringLiteral("exit %1").arg(i)};
        pids << MivExec::executeTaskWithLaunchPath(QStringLiteral("/bin/true"), nullptr, 1)->pid();
        pids << MivExec::executeTaskWithLaunchPath(QStringLiteral("/bin/sh"), &params, 0)->pid();
    }
    // Nobody kept the processes. Each is gone once reaped (a zombie still
    // answers kill 0); the wait is bounded for a loaded machine.
    const auto deadline = plat::WaitClock::now() + 30s;
    auto anyLeft = [&] {
        for (pid_t pid : pids)
            if (::kill(pid, 0) == 0)
                return true;
        return false;
    };
    while (anyLeft() && plat::WaitClock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(anyLeft());
    EXPECT_TRUE(zombieChildren().isEmpty());
}

} // namespace
