#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QtGlobal>

namespace plat {
class Error;
}

// A transfer delegate: reads (download delegate) or writes (upload delegate)
// one item's bytes for a stream handler. Optional operations are the small
// interfaces IMivStreamHandlerDelegateLastError, ...Progress and ...Cancel,
// found by dynamic_cast.
class IMivStreamHandlerDelegate
{
public:
    virtual ~IMivStreamHandlerDelegate() = default;

    // The item at the other end: a download delegate's copy target, an
    // upload delegate's source. Held without owning it.
    virtual void setTarget(const MivFileDataPtr& target) = 0;
    // Prepares the transfer for chunks of bufferSize bytes; false refuses it.
    virtual bool open(quint64 bufferSize, const MivCopyContextPtr& context) = 0;
    virtual void close() = 0;
    // Download: places at most length bytes at the start of buffer and
    // answers their count, 0 at the end of the data, negative on failure.
    // Upload: the bytes from offset up to length are pending; answers how
    // many it took (0 or more), negative on failure.
    virtual qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) = 0;
    // True when the answer just given is transient: nothing now, ask again.
    virtual bool checkResult(qint64 result) = 0;
    // True when there is nothing to report; false when it wrote *error
    // (which may still be null). Only false with an error is a failure.
    virtual bool fillLastError(plat::Error* error) = 0;
    // Told once to the target side after the source side finished, so it can
    // commit or discard what it wrote.
    virtual void processFinishWithSource(const MivFileDataPtr& source, bool result) = 0;
    // The preferred chunk size; negative means no preference.
    virtual qint64 bufferSize() = 0;
};
