#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QList>

// What a tool's placeholders read from one panel: the items it names as
// selected and the folder it shows.
struct MivToolPanelSelection
{
    QList<MivFileDataPtr> selected;
    MivFileDataPtr context;
};
