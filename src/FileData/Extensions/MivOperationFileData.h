#pragma once

#include "FileData/MivFileDataTypes.h"

#include <memory>

class MivRunloopOperation;

namespace plat {
class Error;
}

// Running a request of an item's back-end and waiting for it.
namespace MivOperationFileData {

// Runs the operation on a new background operation queue
// ("com.quorvex.run-loop-operation-queue") and waits until it has finished
// (turning the main loop meanwhile when called on the main thread). An
// error of the operation goes to errorRes, or without one is presented;
// false then. No operation: false, with an error in errorRes.
bool performOperation(const MivFileData& item, const std::shared_ptr<MivRunloopOperation>& operation,
                      plat::Error* errorRes);

} // namespace MivOperationFileData
