#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs one of the system's tools (udisksctl, umount, fusermount3, gio) and
// waits for it. Never through a shell: arguments reach the tool as given.
// Blocks the calling thread, so callers run it on a background queue.
struct SLSystemCommand
{
    bool succeeded = false;
    QString output; // what the tool printed, or why it could not start
    plat::Error error;

    // The program is looked up along PATH. Input, when given, reaches the
    // tool on its standard input and nowhere else.
    static SLSystemCommand run(const QString& program, const QStringList& arguments, const QByteArray& input = {});
};
