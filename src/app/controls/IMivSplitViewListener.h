#pragma once

class MivCollapsibleSplitView;

// Told when a collapse or expand of a split view's subview has ended.
class IMivSplitViewListener
{
public:
    virtual ~IMivSplitViewListener() = default;
    virtual void collapseOrExpandDone(MivCollapsibleSplitView* splitView) = 0;
};
