#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QtGlobal>

#include <memory>

class IMivStreamHandlerOperationDelegate;

namespace mivtest {

// The copy engine's use of the pump for two copyable items: a pair of twice
// the chunk size, both ends opened through the items, the pump run, the
// target told the outcome. Answers the result; *error gets the pump's error.
bool copyThroughPump(const MivFileDataPtr& source, const MivFileDataPtr& target, quint64 chunkSize,
                     plat::Error* error = nullptr,
                     const std::shared_ptr<IMivStreamHandlerOperationDelegate>& observer = nullptr);

} // namespace mivtest
