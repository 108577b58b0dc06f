#pragma once

#include <QString>

#include <functional>

namespace plat::detail {

// Runs a task on behalf of an executor. An exception that escapes the task is
// logged with the label and goes no further: thrown out of a pool thread it
// would end the process, and thrown past a queue's bookkeeping it would leave
// the queue stuck with a slot that never comes free. Answers whether the task
// returned normally.
bool runGuarded(const std::function<void()>& task, const QString& label);

// The task, wrapped so that the completion runs exactly once: right after the
// task returned or threw, or, when the task never runs, once the executor
// lets go of it (a main loop that ends drops what it still holds). Whoever
// waits for the completion therefore always gets it. The completion must not
// throw.
std::function<void()> withCompletion(std::function<void()> task, std::function<void()> completion);

} // namespace plat::detail
