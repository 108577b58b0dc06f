#pragma once

#include <QList>

class QSplitter;

// Told when a divider animation starts and ends (the owner of a split view
// that must not save or react to sizes meanwhile).
class ISplitViewAnimationDelegate
{
public:
    virtual ~ISplitViewAnimationDelegate() = default;
    virtual bool splitViewIsAnimating() const = 0;
    virtual void setSplitViewIsAnimating(bool animating) = 0;
};

// Split positions and animated divider moves on QSplitter. Positions are
// along the split axis in the splitter's coordinates. Main thread.
namespace SplitViewExtensions {

inline constexpr int kAnimationMilliseconds = 250;

// The far edge of the first child: the position of divider 0.
int splitPosition(const QSplitter* splitter);
void setSplitPosition(QSplitter* splitter, int position);
// The far edge of child i (the position of divider i); -1 for no such child.
int catPositionOfDividerAtIndex(const QSplitter* splitter, int index);

// The sizes the children get when the dividers move to the positions
// (matched by place; indexes without a following child are skipped).
QList<int> sizesForDividers(const QSplitter* splitter, const QList<int>& indexes, const QList<int>& positions);

// Moves the dividers there over kAnimationMilliseconds with ease-in-out; the
// delegate (may be null) is told when it starts and when it is done.
void catAnimateDividerAtIndex(QSplitter* splitter, int index, int position,
                              ISplitViewAnimationDelegate* delegate = nullptr);
void catAnimateDividerIndexes(QSplitter* splitter, const QList<int>& indexes, const QList<int>& positions,
                              ISplitViewAnimationDelegate* delegate = nullptr);

} // namespace SplitViewExtensions
