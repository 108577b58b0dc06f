#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QtGlobal>

// Opens files in the application (answered by the main window).
class MivFileDataOpener
{
public:
    // Operations of openFile and openFileFor.
    static constexpr qint32 kOperationOpen = 0;
    static constexpr qint32 kOperationEdit = 1;

    virtual ~MivFileDataOpener() = default;

    virtual void openFile(const MivFileDataPtr& file, qint32 forOperation) = 0;
    // Opens the selected file of the active panel.
    virtual void openFileFor(qint32 operation) = 0;
};
