#pragma once

class MivFilesTableHeaderView;
class QContextMenuEvent;
class QMenu;

// Fills the header's context menu (the panel's column menu).
class MivFilesTableHeaderViewDelegate
{
public:
    virtual ~MivFilesTableHeaderViewDelegate() = default;
    virtual void tabHeaderView(MivFilesTableHeaderView* header, QMenu* menu, QContextMenuEvent* event) = 0;
};
