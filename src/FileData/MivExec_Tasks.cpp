#include "FileData/MivExec.h"
#include "platform/Path.h"

#include "FileData/MivTaskLaunchException.h"
#include "platform/DesktopEntry.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <cerrno>

#include <sys/stat.h>

namespace {

enum LaunchMode { Automatic = 0, Direct = 1, LoginShell = 2, Application = 3 };

struct FileKind
{
    bool exists = false;
    bool regular = false;
};

FileKind fileKind(const QString& path)
{
    struct stat info;
    if (plat::Path::stat(path, &info) != 0)
        return {};
    return {true, S_ISREG(info.st_mode)};
}

// The argument list as a log shows it: (a, b, c).
QString describe(const QStringList& arguments)
{
    return u'(' + arguments.join(QLatin1String(", ")) + u')';
}

std::shared_ptr<plat::Process> startLogged(std::shared_ptr<plat::Process> process)
{
    MIV_LOG_INFO(QStringLiteral("Execute task: %1 : %2").arg(process->program(), describe(process->arguments())));
    plat::Error error;
    if (!process->start(&error))
        throw MivTaskLaunchException(error);
    return process;
}

std::shared_ptr<plat::Process> launchDesktopEntry(const QString& path, const QStringList& params)
{
    plat::Error error;
    const auto entry = plat::DesktopEntry::load(path, &error);
    if (!entry)
        throw MivTaskLaunchException(error);
    auto processes = entry->prepareProcesses(params, &error);
    if (processes.empty()) {
        // The program the entry names is not installed: a missing program.
        if (error.is(plat::kPosixErrorDomain, ENOENT))
            return nullptr;
        throw MivTaskLaunchException(error);
    }
    // An entry that takes one file at a time runs once per parameter; the
    // first run stands for the launch.
    std::shared_ptr<plat::Process> first;
    for (auto& process : processes) {
        auto started = startLogged(std::move(process));
        if (!first)
            first = std::move(started);
    }
    return first;
}

} // namespace

std::shared_ptr<plat::Process> MivExec::executeTaskWithLaunchPath(const QString& path, const QStringList* params, int as)
{
    if (path.isEmpty())
        return nullptr;
    const QStringList parameters = params ? *params : QStringList();

    int mode = as;
    if (mode == Automatic) {
        const FileKind kind = fileKind(path);
        mode = kind.regular && plat::DesktopEntry::isDesktopEntryPath(path) ? Application : Direct;
    }

    QString program = path;
    QStringList arguments = parameters;
    if (mode == LoginShell) {
        // Plain joining, as users write these tools: a parameter with blanks
        // becomes several words of the command line. Names and paths taken
        // from the panels arrive already quoted (MivToolParamExpander).
        program = QStringLiteral("/bin/bash");
        arguments = {QStringLiteral("-l"), QStringLiteral("-c"), path + u' ' + parameters.join(u' ')};
    } else if (mode == Application && plat::DesktopEntry::isDesktopEntryPath(path)) {
        const FileKind kind = fileKind(path);
        if (!kind.exists)
            return nullptr;
        if (kind.regular)
            return launchDesktopEntry(path, parameters);
    }

    if (!fileKind(program).exists)
        return nullptr;
    return startLogged(std::make_shared<plat::Process>(program, arguments));
}
