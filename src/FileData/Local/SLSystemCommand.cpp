#include "FileData/Local/SLSystemCommand.h"

#include "platform/DesktopEntry.h"
#include "platform/Process.h"

#include <QCoreApplication>

SLSystemCommand SLSystemCommand::run(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    SLSystemCommand result;
    const QString path = plat::DesktopEntry::findExecutable(program);
    if (path.isEmpty()) {
        result.output = QCoreApplication::translate("SLSystemCommand", "The program \u201C%1\u201D is not installed.").arg(program);
        return result;
    }
    plat::Process process(path, arguments);
    process.setOutputMode(plat::Process::OutputMode::Combined);
    if (!input.isEmpty())
        process.setInputData(input);
    if (!process.start(&result.error)) {
        result.output = result.error.localizedDescription();
        return result;
    }
    result.output = QString::fromUtf8(process.readAllOutput()).trimmed();
    process.waitForExit();
    result.succeeded = process.terminationReason() == plat::Process::TerminationReason::Exit && process.exitStatus() == 0;
    return result;
}
