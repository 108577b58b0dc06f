#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/panel/MivPopulateData.h"

#include <QVariantMap>

#include <optional>

class MivFilesViewController;

// What a panel asks of the tab container of its side. The container hands
// the side's saved state (MivContextEntry::controller) an adapter that
// implements this; the panel finds it there, so it holds no reference of its
// own and follows its entry when it moves. GUI thread only.
class IMivFilesTabContainer
{
public:
    virtual ~IMivFilesTabContainer() = default;

    // YES when the panel's tab is hard-locked: the folder went to a new tab
    // and the panel keeps its own.
    virtual bool handleLockedTab(MivFilesViewController* panel, const MivFileDataPtr& data) = 0;
    // A folder change of the panel: a hard-locked tab diverts it, the tab's
    // label follows the folder, a saved location is resolved first.
    virtual void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data,
                                  const MivSelectTarget& selection, const std::optional<QVariantMap>& dataContext) = 0;
    // The side's quick-filter panel goes away.
    virtual void hideSearchPanel() = 0;
};
