#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <limits>

namespace plat {

// Reads a descriptor to its end into bytes; files in /proc report no size,
// so nothing is sized up front. Answers 0, the errno of a failed read, or
// EFBIG once more than limit bytes arrive (bytes then holds what came
// before). The descriptor stays open.
int readAll(int fd, QByteArray* bytes, qint64 limit = std::numeric_limits<qint64>::max());

} // namespace plat
