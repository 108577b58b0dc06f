#pragma once

#include <memory>

namespace plat {

class Stream;

// Events a stream reports to its delegate; the numbers are the platform's.
enum class StreamEvent {
    None = 0,
    OpenCompleted = 1,
    HasBytesAvailable = 2,
    HasSpaceAvailable = 4,
    ErrorOccurred = 8,
    EndEncountered = 16,
};

// Receives the events of a stream that reports them (the body stream of an
// upload request).
class StreamDelegate
{
public:
    virtual ~StreamDelegate() = default;
    virtual void stream(const std::shared_ptr<Stream>& stream, StreamEvent handleEvent) = 0;
};

} // namespace plat
