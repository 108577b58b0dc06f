#pragma once

#include "app/tools/MivToolDef.h"
#include "app/tools/MivToolPanelSelection.h"

#include <memory>
#include <optional>

namespace plat {
class Process;
}

// Starts a user tool with its parameters expanded from the two panels. The
// tool runs on its own; nobody waits for it or reads its output. GUI thread.
class MivToolRunner
{
public:
    // The launch mode that runs the command text through "/bin/bash -l -c".
    static constexpr qint32 kShellMode = 2;
    static constexpr qint64 kCannotExecuteCode = -100;

    MivToolRunner() = delete;

    // The parameters as they are passed, one expansion per parameter (empty
    // ones included).
    static QStringList expandedParams(const MivToolDef& def, const std::optional<MivToolPanelSelection>& source,
                                      const std::optional<MivToolPanelSelection>& target);
    // Starts the tool and answers its process; null when nothing was started:
    // no path, no program at the path (silently), or a program that could not
    // be started (reported as "Cannot execute tool"). A tool that has already
    // finished by the time this returns was started, and is not a failure.
    static std::shared_ptr<plat::Process> executeDefAction(const MivToolDef& def,
                                                           const std::optional<MivToolPanelSelection>& source,
                                                           const std::optional<MivToolPanelSelection>& target);
};
