#pragma once

#include "platform/InputStream.h"
#include "platform/OutputStream.h"

#include <memory>

namespace plat {

// An in-memory pipe of bounded capacity: what is written to the output end
// can be read from the input end. Neither end blocks; the two ends are meant
// to be driven in turn by one caller (writing a chunk, then draining it), and
// are safe to use from several threads.
//
// The input end reaches AtEnd once the output end is closed and every byte
// has been read. Writing after the input end was closed is an error (EPIPE).
class BoundStreamPair
{
public:
    BoundStreamPair() = delete;

    // Either out-parameter may be null. A capacity of 0 is taken as 1.
    static void create(quint64 capacity, std::shared_ptr<OutputStream>* output, std::shared_ptr<InputStream>* input);
};

} // namespace plat
