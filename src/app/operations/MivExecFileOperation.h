#pragma once

#include <QtGlobal>

#include <memory>

class IMivFileOperationCallback;
class MivFileOperationData;

// Starts one step of an operation: a local step on the local file
// operation, every other copy, move, compress or decompress step on a
// cross-file-system processor of its own. Answers 0 or the status of a
// local start; the step's outcome comes to the callback.
qint32 MivExecFileOperation(const std::shared_ptr<MivFileOperationData>& operation, quint32 flags,
                            const std::shared_ptr<IMivFileOperationCallback>& callback, double changeInterval);
