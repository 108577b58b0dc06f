#include "FileData/Extensions/NSTaskAdditions.h"

#include "platform/Error.h"
#include "platform/TextEncoding.h"

#include "platform/Log.h"
#include "platform/Process.h"

#include <QStringDecoder>

#include <mutex>

namespace NSTaskAdditions {

namespace {

std::mutex g_presenterMutex;
CommandOutputPresenter g_presenter;

// Runs the tool with one combined output pipe and a closed input pipe, reads
// to the end of the output and, when asked, waits for the exit.
QByteArray run(const QString& path, const QStringList& arguments, bool wait, int* status)
{
    if (!plat::Process::isExecutableFile(path))
        return QByteArray();
    plat::Process process(path, arguments);
    process.setInputMode(plat::Process::InputMode::ClosedPipe);
    process.setOutputMode(plat::Process::OutputMode::Combined);
    plat::Error error;
    if (!process.start(&error)) {
        MIV_LOG_ERROR(QStringLiteral("Could not run %1: %2").arg(path, error.description()));
        return QByteArray();
    }
    QByteArray output = process.readAllOutput();
    if (wait) {
        process.waitForExit();
        if (status)
            *status = process.exitStatus();
    }
    return output;
}

QString decode(const QByteArray& data, TextEncoding encoding)
{
    // Strict, so output cut off inside a character counts as undecodable.
    plat::Error error;
    QString text = plat::TextEncoding::decode(data, encoding, &error);
    if (error)
        return QString();
    if (text.isNull())
        text = QLatin1String("");
    return text;
}

} // namespace

QByteArray executeTaskAtPath(const QString& path, const QStringList& arguments, bool wait)
{
    return run(path, arguments, wait, nullptr);
}

QString executeTaskAtPath(const QString& path, const QStringList& arguments, bool wait, TextEncoding encoding)
{
    const QByteArray data = executeTaskAtPath(path, arguments, wait);
    if (data.isEmpty())
        return QString();
    return decode(data, encoding);
}

QByteArray outputDataForTaskAtPath(const QString& path, const QStringList& arguments, int* status)
{
    return run(path, arguments, true, status);
}

QString outputStringForTaskAtPath(const QString& path, const QStringList& arguments, TextEncoding encoding, int* status)
{
    const QByteArray data = outputDataForTaskAtPath(path, arguments, status);
    const QString text = data.isEmpty() ? QString() : decode(data, encoding);
    return text.isNull() ? QLatin1String("") : text;
}

QString outputStringForTaskAtPath(const QString& path, const QStringList& arguments, TextEncoding encoding)
{
    return outputStringForTaskAtPath(path, arguments, encoding, nullptr);
}

QString runCommand(const QString& command)
{
    MIV_LOG_DEBUG(QStringLiteral("run command: -> %1 <-").arg(command));
    return executeTaskAtPath(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, false, plat::TextEncoding::kUTF8);
}

void runCommandAndHandleOutput(const QString& command)
{
    const QString output = runCommand(command);
    if (output.isEmpty())
        return;
    CommandOutputPresenter presenter;
    {
        std::lock_guard<std::mutex> guard(g_presenterMutex);
        presenter = g_presenter;
    }
    if (presenter)
        presenter(output);
}

void setCommandOutputPresenter(CommandOutputPresenter presenter)
{
    std::lock_guard<std::mutex> guard(g_presenterMutex);
    g_presenter = std::move(presenter);
}

} // namespace NSTaskAdditions
