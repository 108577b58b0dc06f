#pragma once

#include "platform/Error.h"
#include "platform/Wait.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <memory>

namespace plat {

namespace detail {
struct ProcessState;
} // namespace detail

// A child process started with posix_spawn. The process-wide reaper watches
// every child from the moment it starts: it drains the output pipe and
// collects the exit status, so a child is reaped even when nobody keeps or
// waits for its Process object, and a child never stalls on a full pipe.
//
// Not QProcess: that one needs an event loop in the starting thread and kills
// its child when destroyed; tools started here run on after the call.
class Process
{
public:
    enum class InputMode {
        Null,       // /dev/null
        ClosedPipe, // a pipe whose writing end is closed right after the start: the child reads end-of-file at once
    };
    enum class OutputMode {
        Inherit,  // the child writes where this process writes
        Discard,  // /dev/null
        Combined, // standard output and standard error into one pipe, in the order the child writes them
    };
    enum class TerminationReason { None, Exit, UncaughtSignal };

    Process(QString program, QStringList arguments);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The path of the program (no search along PATH) and its arguments
    // without the program name.
    const QString& program() const { return m_program; }
    const QStringList& arguments() const { return m_arguments; }

    void setInputMode(InputMode mode) { m_inputMode = mode; }
    // Standard input becomes a pipe that holds these bytes and then ends.
    // Secrets go this way, never as arguments, which every user of the
    // machine can read in /proc. The bytes are in the pipe before the child
    // starts, so the start never waits on a child that does not read; more
    // than a pipe can hold refuses the start with E2BIG.
    void setInputData(QByteArray data)
    {
        m_inputData = std::move(data);
        m_inputMode = InputMode::ClosedPipe;
    }
    void setOutputMode(OutputMode mode) { m_outputMode = mode; }
    // Empty: the current folder of this process.
    void setWorkingDirectory(const QString& path) { m_workingDirectory = path; }

    // Starts the child once. A refusal (missing program, no permission, no
    // resources) answers false with an error in the POSIX domain.
    bool start(Error* error = nullptr);

    bool hasStarted() const;
    bool isRunning() const;
    pid_t pid() const;

    // Waits until the child has exited and been reaped, or the deadline
    // passes; answers whether it has exited. On the main thread the wait turns
    // the main loop; on a pool thread it marks the thread blocked.
    bool waitForExit(WaitClock::time_point deadline = WaitClock::time_point::max());

    // The exit code, or the signal number when a signal ended the child;
    // -1 while it runs or when it never started.
    int exitStatus() const;
    TerminationReason terminationReason() const;

    // True when a regular file is there (links followed) and this process
    // may execute it.
    static bool isExecutableFile(const QString& path);

    // Combined output mode only: waits until the child has closed its output
    // (normally when it exits) and answers everything it wrote, an empty
    // (not null) array when it wrote nothing. Each byte is answered once.
    QByteArray readAllOutput();

private:
    QString m_program;
    QStringList m_arguments;
    QString m_workingDirectory;
    QByteArray m_inputData;
    InputMode m_inputMode = InputMode::Null;
    OutputMode m_outputMode = OutputMode::Inherit;
    std::shared_ptr<detail::ProcessState> m_state;
};

} // namespace plat
