#include "platform/Process.h"

#include "platform/Path.h"
#include "platform/PosixError.h"

#include "platform/Log.h"
#include "platform/ThreadInfo.h"
#include "platform/Mutex.h"

#include <QCoreApplication>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat {

namespace detail {

struct ProcessState
{
    Mutex mutex;
    std::condition_variable cv;
    pid_t pid = -1; // set before the state is shared
    bool exited MIV_GUARDED_BY(mutex) = false;
    int rawStatus MIV_GUARDED_BY(mutex) = 0;
    bool outputOpen MIV_GUARDED_BY(mutex) = false;
    // Cleared when the Process object goes away: the reaper then still
    // drains the pipe (so the child never blocks on it) but keeps nothing.
    bool keepOutput MIV_GUARDED_BY(mutex) = true;
    QByteArray output MIV_GUARDED_BY(mutex);
};


namespace {

Error startError(int code, const QString& program)
{
    QVariantMap info;
    info.insert(QLatin1String(kLocalizedDescriptionKey),
                QCoreApplication::translate("Process", "The program \u201C%1\u201D could not be started: %2")
                    .arg(program, errnoText(code)));
    info.insert(QLatin1String(kFilePathErrorKey), program);
    return Error(QString::fromLatin1(kPosixErrorDomain), code, info);
}

// Puts the child's whole input into the pipe before the start; answers 0 or
// the errno. Growing the pipe keeps larger inputs from blocking the start.
int fillInputPipe(int fd, const QByteArray& data)
{
    if (data.isEmpty())
        return 0;
    const int capacity = ::fcntl(fd, F_GETPIPE_SZ);
    if (capacity >= 0 && capacity < data.size() && ::fcntl(fd, F_SETPIPE_SZ, int(data.size())) < 0)
        return E2BIG;
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        written += n;
    }
    return 0;
}

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// One thread watches every child: a pidfd per child tells it when to call
// waitpid, and it drains the combined-output pipes. Where a pidfd cannot be
// had (old kernel, descriptor limit) the child is polled with WNOHANG. The
// instance lives until the process ends, so children are reaped whatever
// happens to the Process objects, also during shutdown.
class Reaper
{
public:
    static Reaper& instance()
    {
        static Reaper* reaper = new Reaper; // never destroyed: its thread outlives static destruction
        return *reaper;
    }

    bool ensureRunning(Error* error, const QString& program)
    {
        MutexLock guard(m_mutex);
        if (m_running)
            return true;
        if (m_wakeFd < 0)
            m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_wakeFd < 0) {
            Error::assign(error, startError(errno, program));
            return false;
        }
        try {
            std::thread([this] { run(); }).detach();
        } catch (const std::system_error& e) {
            Error::assign(error, startError(e.code().value() ? e.code().value() : EAGAIN, program));
            return false;
        }
        m_running = true;
        return true;
    }

    void watch(std::shared_ptr<ProcessState> state, int pidfd, int outputFd)
    {
        auto entry = std::make_shared<Entry>();
        entry->state = std::move(state);
        entry->pid = entry->state->pid;
        entry->pidfd = pidfd;
        entry->outputFd = outputFd;
        {
            MutexLock guard(m_mutex);
            m_entries.push_back(std::move(entry));
        }
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }

private:
    struct Entry
    {
        std::shared_ptr<ProcessState> state;
        pid_t pid = -1;
        int pidfd = -1;
        int outputFd = -1;
        bool exited = false;
    };

    void run()
    {
        setCurrentThreadLabel(QStringLiteral("process-reaper"));
        std::vector<std::shared_ptr<Entry>> entries;
        std::vector<pollfd> fds;
        for (;;) {
            {
                MutexLock guard(m_mutex);
                std::erase_if(m_entries, [](const auto& e) { return e->exited && e->outputFd < 0; });
                entries = m_entries;
            }
            fds.clear();
            fds.push_back({m_wakeFd, POLLIN, 0});
            bool polling = false;
            for (const auto& e : entries) {
                fds.push_back({e->exited ? -1 : e->pidfd, POLLIN, 0});
                fds.push_back({e->outputFd, POLLIN, 0});
                polling = polling || (!e->exited && e->pidfd < 0);
            }
            const int ready = ::poll(fds.data(), fds.size(), polling ? 50 : -1);
            if (ready < 0 && errno != EINTR) {
                MIV_LOG_ERROR(QStringLiteral("Process reaper: poll failed: %1").arg(errnoText(errno)));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            if (fds[0].revents) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
            }
            for (size_t i = 0; i < entries.size(); ++i) {
                Entry& e = *entries[i];
                if (fds[2 + 2 * i].revents)
                    drain(e);
                if (!e.exited && (fds[1 + 2 * i].revents || e.pidfd < 0))
                    reap(e);
            }
        }
    }

    static void drain(Entry& e)
    {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(e.outputFd, buffer, sizeof buffer);
            if (got > 0) {
                MutexLock guard(e.state->mutex);
                if (e.state->keepOutput)
                    e.state->output.append(buffer, got);
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            // End of file, or a read error that no retry mends.
            closeFd(e.outputFd);
            {
                MutexLock guard(e.state->mutex);
                e.state->outputOpen = false;
            }
            e.state->cv.notify_all();
            wakeMainWaiters();
            return;
        }
    }

    static void reap(Entry& e)
    {
        int status = 0;
        pid_t result;
        do {
            result = ::waitpid(e.pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result == 0)
            return;
        // result < 0 (ECHILD): someone else reaped it. The child is gone, its
        // status lost; report a failure rather than a success nobody saw.
        if (result < 0)
            MIV_LOG_WARN(QStringLiteral("Process %1 was reaped elsewhere; its exit status is unknown").arg(e.pid));
        e.exited = true;
        closeFd(e.pidfd);
        {
            MutexLock guard(e.state->mutex);
            e.state->exited = true;
            e.state->rawStatus = result == e.pid ? status : (255 << 8);
        }
        e.state->cv.notify_all();
        wakeMainWaiters();
    }

    Mutex m_mutex;
    bool m_running MIV_GUARDED_BY(m_mutex) = false;
    int m_wakeFd = -1;
    std::vector<std::shared_ptr<Entry>> m_entries MIV_GUARDED_BY(m_mutex);
};

class SpawnSetup
{
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        closeFd(inputRead);
        closeFd(inputWrite);
        closeFd(outputRead);
        closeFd(outputWrite);
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int inputRead = -1, inputWrite = -1, outputRead = -1, outputWrite = -1;
};

} // namespace
} // namespace detail

Process::Process(QString program, QStringList arguments) : m_program(std::move(program)), m_arguments(std::move(arguments))
{
}

Process::~Process()
{
    if (m_state) {
        MutexLock guard(m_state->mutex);
        m_state->keepOutput = false;
        m_state->output.clear();
    }
}

bool Process::start(Error* error)
{
    using namespace detail;
    if (m_state) {
        Error::assign(error, startError(EALREADY, m_program));
        return false;
    }
    if (!Reaper::instance().ensureRunning(error, m_program))
        return false;

    std::vector<QByteArray> argvBytes;
    argvBytes.push_back(Path::toNative(m_program));
    for (const QString& argument : m_arguments)
        argvBytes.push_back(Path::toNative(argument));
    std::vector<char*> argv;
    for (QByteArray& bytes : argvBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    SpawnSetup setup;
    int rc = 0;
    auto failed = [&](int code) {
        Error::assign(error, startError(code, m_program));
        return false;
    };

    if (m_inputMode == InputMode::ClosedPipe) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return failed(errno);
        setup.inputRead = fds[0];
        setup.inputWrite = fds[1];
        if (const int fill = fillInputPipe(setup.inputWrite, m_inputData); fill != 0)
            return failed(fill);
        rc = posix_spawn_file_actions_adddup2(&setup.actions, setup.inputRead, STDIN_FILENO);
    } else {
        rc = posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (rc == 0 && m_outputMode == OutputMode::Combined) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return failed(errno);
        setup.outputRead = fds[0];
        setup.outputWrite = fds[1];
        rc = posix_spawn_file_actions_adddup2(&setup.actions, setup.outputWrite, STDOUT_FILENO);
        if (rc == 0)
            rc = posix_spawn_file_actions_adddup2(&setup.actions, setup.outputWrite, STDERR_FILENO);
    } else if (rc == 0 && m_outputMode == OutputMode::Discard) {
        rc = posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (rc == 0)
            rc = posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO);
    }
    const QByteArray directory = Path::toNative(m_workingDirectory);
    if (rc == 0 && !m_workingDirectory.isEmpty())
        rc = posix_spawn_file_actions_addchdir_np(&setup.actions, directory.constData());
    // Descriptors of this process are not the child's business; ours are
    // O_CLOEXEC as well, this also covers those opened by libraries.
    if (rc == 0)
        rc = posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);

    // The program ignores SIGPIPE and threads may block signals; an exec keeps
    // both, and a tool in a shell pipeline needs the default dispositions.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    if (rc == 0)
        rc = posix_spawnattr_setsigdefault(&setup.attributes, &all);
    if (rc == 0)
        rc = posix_spawnattr_setsigmask(&setup.attributes, &none);
    if (rc == 0)
        rc = posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (rc != 0)
        return failed(rc);

    // glibc starts the child with CLONE_VFORK and reports a failed exec here,
    // which is safe in a process with threads, unlike fork().
    pid_t pid = -1;
    rc = ::posix_spawn(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
    closeFd(setup.inputRead);
    closeFd(setup.inputWrite); // the child reads end-of-file at once
    closeFd(setup.outputWrite);
    if (rc != 0)
        return failed(rc);

    auto state = std::make_shared<ProcessState>();
    state->pid = pid;
    int outputFd = -1;
    if (setup.outputRead >= 0) {
        std::swap(outputFd, setup.outputRead);
        ::fcntl(outputFd, F_SETFL, ::fcntl(outputFd, F_GETFL) | O_NONBLOCK);
        MutexLock guard(state->mutex);
        state->outputOpen = true;
    }
    // The child is ours and not yet reaped, so its pid cannot be reused before
    // the pidfd refers to it.
    // (The raw system call: glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.)
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0)
        ::fcntl(pidfd, F_SETFD, FD_CLOEXEC);
    m_state = state;
    Reaper::instance().watch(std::move(state), pidfd, outputFd);
    return true;
}

bool Process::hasStarted() const
{
    return m_state != nullptr;
}

bool Process::isRunning() const
{
    if (!m_state)
        return false;
    MutexLock guard(m_state->mutex);
    return !m_state->exited;
}

pid_t Process::pid() const
{
    return m_state ? m_state->pid : -1;
}

bool Process::waitForExit(WaitClock::time_point deadline)
{
    if (!m_state)
        return false;
    MutexLock lock(m_state->mutex);
    return waitUntil(lock.uniqueLock(), m_state->cv, [this]() MIV_REQUIRES(m_state->mutex) { return m_state->exited; }, deadline);
}

int Process::exitStatus() const
{
    if (!m_state)
        return -1;
    MutexLock guard(m_state->mutex);
    if (!m_state->exited)
        return -1;
    const int status = m_state->rawStatus;
    if (WIFSIGNALED(status))
        return WTERMSIG(status);
    return WEXITSTATUS(status);
}

Process::TerminationReason Process::terminationReason() const
{
    if (!m_state)
        return TerminationReason::None;
    MutexLock guard(m_state->mutex);
    if (!m_state->exited)
        return TerminationReason::None;
    return WIFSIGNALED(m_state->rawStatus) ? TerminationReason::UncaughtSignal : TerminationReason::Exit;
}

bool Process::isExecutableFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat info;
    return Path::stat(path, &info) == 0 && S_ISREG(info.st_mode)
        && ::access(Path::toNative(path).constData(), X_OK) == 0;
}

QByteArray Process::readAllOutput()
{
    QByteArray result("");
    if (!m_state)
        return result;
    MutexLock lock(m_state->mutex);
    waitUntil(lock.uniqueLock(), m_state->cv, [this]() MIV_REQUIRES(m_state->mutex) { return !m_state->outputOpen; });
    if (!m_state->output.isEmpty())
        result.swap(m_state->output);
    return result;
}

} // namespace plat
