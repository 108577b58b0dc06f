#pragma once

#include "FileData/Transfer/IMivLoaderProtocol.h"

#include <QByteArray>

#include <optional>

namespace plat {
class Stream;
}

// The loader an upload request's body stream pulls its bytes from.
class IMivUploaderProtocol : public virtual IMivLoaderProtocol
{
public:
    // At most maxLength bytes for the asking stream; nothing at the end.
    virtual std::optional<QByteArray> handleDataChunk(const std::shared_ptr<plat::Stream>& stream, quint64 maxLength) = 0;
};
