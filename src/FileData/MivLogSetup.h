#pragma once

#include "platform/Log.h"

// Completes plat's logger with the program's line layout (a namespace keeps
// the name apart from plat::setupLogging, which argument lookup would find).
namespace MivLogging {

// The program's loggers: a MyCustomFormatter installed as the line layout,
// the rolling file logger in the log folder (created when missing) and the
// system log for errors. Called first thing by the application's start-up
// and by the test main. Answers false when the log file cannot be written;
// lines then go to stderr in the same layout.
bool setupLogging();

// The same with a set-up of the caller's (tests: a folder, small limits, a
// clock, a system-log writer). An empty folder means the default folder.
bool setupLogging(plat::LogSetup setup);

} // namespace MivLogging
