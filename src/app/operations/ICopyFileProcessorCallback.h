#pragma once

#include "FileData/Transfer/IOperationProgressProvider.h"

#include <QtGlobal>

// The receiver of a stream copier's reports (the cross-file-system
// processor). It is also the progress sink that the copier hands on to the
// back-end loaders.
class ICopyFileProcessorCallback : public IOperationProgressProvider
{
public:
    // stage: 1 preparing, 2 running, 3 complete; status 0 or a negative code.
    virtual void callback(quint64 stage, qint64 status) = 0;
};
