#pragma once

#include "platform/Stream.h"

#include <QtGlobal>

namespace plat {

// The write end of a byte stream.
class OutputStream : public Stream
{
public:
    // Bytes written (0 when there is no room now), or -1 on an error or when
    // the stream is not open.
    virtual qint64 write(const char* buffer, qint64 length) = 0;
    virtual bool hasSpaceAvailable() const = 0;
};

} // namespace plat
