#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QList>

// A panel or the sidebar watching an item whose file system sends no change
// events. Implemented by small non-widget adapters that forward to their
// widget on the GUI thread; items hold them weakly.
class IMivFileWatcherContextDelegate
{
public:
    virtual ~IMivFileWatcherContextDelegate() = default;

    virtual bool isActiveDelegate() const = 0;
    // The changed item, several items, or none (what the item base passes).
    virtual void contextContentChanged(const QList<MivFileDataPtr>& changed) = 0;
    virtual void refreshContextWithSelectionOf(const MivFileDataPtr& selection) = 0;
};
