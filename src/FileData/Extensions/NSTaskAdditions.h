#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Running a command-line tool and collecting what it prints. Standard output
// and standard error arrive in one stream in the order the tool writes them;
// standard input is at end-of-file from the start. Every form blocks until
// the tool has closed its output (on the main thread the wait turns the main
// loop), so callers run them on background queues.
//
// "Not run" means no path, no file there, or a file that may not be executed
// (or that the system refused to start, which is logged).
namespace NSTaskAdditions {

// The text-encoding parameter: a plain value that a later encoding registry
// may replace with its own type.
// The settings number of a text encoding (plat::TextEncoding).
using TextEncoding = quint64;

// The combined output (empty, not null, when the tool printed nothing); a null
// array when the tool was not run. With wait, returns only after the tool has exited.
QByteArray executeTaskAtPath(const QString& path, const QStringList& arguments, bool wait);

// The output decoded in the encoding; a null string when the tool was not
// run, printed nothing, or printed what the encoding cannot decode.
QString executeTaskAtPath(const QString& path, const QStringList& arguments, bool wait, TextEncoding encoding);

// Always waits. The exit status goes through status when one is given; when
// the tool was not run the result is null and *status is left as it was.
QByteArray outputDataForTaskAtPath(const QString& path, const QStringList& arguments, int* status);

// As above, decoded; the empty text when the tool was not run, printed
// nothing, or printed what the encoding cannot decode.
QString outputStringForTaskAtPath(const QString& path, const QStringList& arguments, TextEncoding encoding, int* status);
QString outputStringForTaskAtPath(const QString& path, const QStringList& arguments, TextEncoding encoding);

// "/bin/sh" "-c" command; the output as UTF-8 text, or a null string.
QString runCommand(const QString& command);

// Main thread. Runs the command and, when it printed something, hands the
// output to the presenter that the application installs (an alert "Command
// output" with the text in a field). Without a presenter the output is dropped.
void runCommandAndHandleOutput(const QString& command);

using CommandOutputPresenter = std::function<void(const QString& output)>;
void setCommandOutputPresenter(CommandOutputPresenter presenter);

} // namespace NSTaskAdditions
