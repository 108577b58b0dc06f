#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

#include <variant>

// What to focus once a listing has arrived: an item, a path key, or nothing
// (the previous focus is restored).
using MivSelectTarget = std::variant<std::monostate, MivFileDataPtr, QString>;

// One listing or opening request on its way through a panel's queues.
struct MivPopulateData
{
    // Listing: comes from back/forward navigation. Opening: look inside.
    bool navigation = false;
    // The folder to show; null clears the panel.
    MivFileDataPtr data;
    MivSelectTarget selectionObject;
};
