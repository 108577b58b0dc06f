#pragma once

#include "platform/Wait.h"

namespace plat {

// The executors' part of quitting, in order, on the main thread once its loop
// has ended: the worker pools stop taking work and drain until the deadline
// (the main loop turns meanwhile, so work that hops there finishes), then
// the main dispatcher is uninstalled. Answers whether the pools drained.
//
// Work that outlives the deadline runs on while the process exits, so the
// dispatcher object is never destroyed (plat::NoDestructor), nor is anything
// else such work may touch.
bool shutdownExecutors(WaitClock::time_point drainDeadline);

} // namespace plat
