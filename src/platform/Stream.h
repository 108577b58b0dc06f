#pragma once

#include "platform/Error.h"

#include <memory>

namespace plat {

// The states of a byte stream. The numbers are the platform's, so a state
// that travels in a log line reads the same.
enum class StreamStatus {
    NotOpen = 0,
    Opening = 1,
    Open = 2,
    Reading = 3,
    Writing = 4,
    AtEnd = 5,
    Closed = 6,
    Error = 7,
};

// One end of a byte stream. Streams never block: a read with nothing
// available answers 0, a write with no room answers 0, and whoever drives
// them asks again later.
class Stream : public std::enable_shared_from_this<Stream>
{
public:
    virtual ~Stream() = default;

    virtual void open() = 0;
    virtual void close() = 0;
    virtual StreamStatus streamStatus() const = 0;
    // Null unless the status is Error.
    virtual Error streamError() const = 0;
};

} // namespace plat
