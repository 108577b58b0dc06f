#pragma once

#include "platform/Stream.h"

#include <QtGlobal>

namespace plat {

// The read end of a byte stream.
class InputStream : public Stream
{
public:
    // Bytes read (0 when none are available now or at the end), or -1 on an
    // error or when the stream is not open.
    virtual qint64 read(char* buffer, qint64 maxLength) = 0;
    virtual bool hasBytesAvailable() const = 0;
};

} // namespace plat
