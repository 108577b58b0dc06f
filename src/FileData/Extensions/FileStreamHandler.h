#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QtGlobal>

#include <memory>

class IMivStreamHandlerDelegatesProvider;

namespace plat {
class Stream;
}

// Stream handlers made for one end of a bound pair.
namespace FileStreamHandler {

// On the pair's output end a handler with the provider's download delegate,
// on its input end one with the upload delegate. Null (and an error line)
// without a provider or for any other kind of stream.
std::shared_ptr<MivFileStreamHandler> createHandlerFor(const std::shared_ptr<plat::Stream>& stream,
                                                       IMivStreamHandlerDelegatesProvider* provider, quint64 bufferSize);

} // namespace FileStreamHandler
