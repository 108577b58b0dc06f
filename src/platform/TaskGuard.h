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

} // namespace plat::detail
