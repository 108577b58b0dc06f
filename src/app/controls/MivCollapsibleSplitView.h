#pragma once

#include "app/views/extensions/SplitViewExtensions.h"

#include <QSplitter>

#include <functional>

class IMivSplitViewListener;

// A split view of two subviews that collapses and expands either of them
// with an animation, shares the space equally on a double click on its
// divider, can hide its divider, keeps one subview's size on resize when
// asked, and saves its divider position as a share of its extent in the
// settings' general store under keys made from its objectName().
//
// A collapsed subview is hidden: the splitter then gives the other one the
// whole extent and shows no divider, and a hidden panel cannot keep the
// keyboard focus. GUI thread only.
class MivCollapsibleSplitView : public QSplitter, private ISplitViewAnimationDelegate
{
    Q_OBJECT

public:
    enum ResizeMode { PlatformResize = 0, KeepFirst = 1, KeepSecond = 2 };

    // Off (tests), an animated change runs at once, as one without animation.
    static bool animationsEnabled();
    static void setAnimationsEnabled(bool enabled);

    explicit MivCollapsibleSplitView(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~MivCollapsibleSplitView() override;

    // Reads the saved mode, collapsed share and divider position (missing
    // keys keep the current values). Call once the subviews are in place.
    void loadState();
    void saveState();
    // Applies the saved divider position again, when there is one.
    void reloadSplitPosition();

    // The first subview's share of the extent; 0 for an empty extent.
    double dividerPosition() const;
    // 0 and 1 give one subview the whole extent, without a divider.
    void setDividerPosition(double share);

    // Also true for a missing subview.
    bool isSubviewCollapsed(const QWidget* subview) const;
    // 0 while the divider is hidden, a change runs or a subview is collapsed.
    int dividerThickness() const;
    void hideDivider(bool hide);
    // The divider's own thickness, shown when nothing hides it.
    void setDividerWidth(int width);

    // Collapses the subview when it is expanded and expands it when it is
    // collapsed; the completion runs when the change has ended, before the
    // listener hears of it. Ignored while another change of this split view runs.
    void collapseOrExpandSubview(QWidget* subview, bool animate, std::function<void()> completionHandler = {});
    void collapseOrExpandSubview(QWidget* subview) { collapseOrExpandSubview(subview, false); }
    // With expand set: the subview comes back at a fifth of the extent.
    void fixExpand(QWidget* subview, bool expand);
    bool collapseExpandInProgress() const { return m_collapseExpandInProgress; }

    void setListener(IMivSplitViewListener* listener) { m_listener = listener; }
    IMivSplitViewListener* listener() const { return m_listener; }
    void setDoubleClickOnDividerEnabled(bool enabled) { m_doubleClickOnDividerEnabled = enabled; }
    bool doubleClickOnDividerEnabled() const { return m_doubleClickOnDividerEnabled; }
    void setSubviewsResizeMode(int mode);
    int subviewsResizeMode() const { return m_subviewsResizeMode; }
    // The share the collapsed subview had before it collapsed; 0 when none is.
    double collapsedSubviewDimension() const { return m_collapsedSubviewDimension; }

    // The settings keys, for the given identifier.
    static QString dividerPositionKey(const QString& ident);
    static QString subviewsResizeModeKey(const QString& ident);
    static QString collapsedSubviewDimensionKey(const QString& ident);

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class MivCollapsibleSplitHandle;
    int extent() const;
    int platformThickness() const;
    void applyHandleWidth();
    void applyExtents(int first, int second);
    void shareEqually();
    void finishChange();

    // ISplitViewAnimationDelegate: the divider helper runs the animation.
    bool splitViewIsAnimating() const override { return m_collapseExpandInProgress; }
    void setSplitViewIsAnimating(bool animating) override;

    // The change that runs.
    struct PendingChange
    {
        QWidget* collapsing = nullptr;
        int targetFirst = 0;
        int total = 0;
        std::function<void()> completion;
    };
    PendingChange m_pending;
    IMivSplitViewListener* m_listener = nullptr;
    int m_platformThickness = -1;
    int m_subviewsResizeMode = PlatformResize;
    double m_collapsedSubviewDimension = 0.0;
    bool m_collapseExpandInProgress = false;
    bool m_dividerHidden = false;
    bool m_doubleClickOnDividerEnabled = false;
};
