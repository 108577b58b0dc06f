#include "app/controls/MivCollapsibleSplitView.h"

#include "app/controls/IMivSplitViewListener.h"
#include "app/settings/MivContext.h"
#include "platform/Log.h"

#include <QMouseEvent>
#include <QSplitterHandle>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

bool g_animationsEnabled = true;

// Share of the extent that an expand gives back when nothing was recorded
// (a subview hidden through a divider position of 0 or 1): showing nothing
// would leave the subview collapsed.
constexpr double kFallbackExpandShare = 0.5;

std::optional<double> storedNumber(const QVariantMap& dict, const QString& key)
{
    const QVariant value = dict.value(key);
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const float number = value.toFloat(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return double(number);
}

} // namespace

// The divider: a double click on it shares the space equally when the split
// view allows it; dragging stays the splitter's own.
class MivCollapsibleSplitHandle : public QSplitterHandle
{
public:
    MivCollapsibleSplitHandle(Qt::Orientation orientation, MivCollapsibleSplitView* parent)
        : QSplitterHandle(orientation, parent), m_split(parent)
    {
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (m_split->doubleClickOnDividerEnabled() && event->button() == Qt::LeftButton
            && m_split->dividerThickness() > 0) {
            MIV_LOG_DEBUG(QStringLiteral("Mouse on divider"));
            m_split->shareEqually();
            event->accept();
            return;
        }
        QSplitterHandle::mouseDoubleClickEvent(event);
    }

private:
    MivCollapsibleSplitView* m_split;
};

bool MivCollapsibleSplitView::animationsEnabled()
{
    return g_animationsEnabled;
}

void MivCollapsibleSplitView::setAnimationsEnabled(bool enabled)
{
    g_animationsEnabled = enabled;
}

MivCollapsibleSplitView::MivCollapsibleSplitView(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
    // A subview dragged to nothing counts as collapsed, as one hidden does.
    setChildrenCollapsible(true);
    m_platformThickness = handleWidth();
}

MivCollapsibleSplitView::~MivCollapsibleSplitView() = default;

QString MivCollapsibleSplitView::dividerPositionKey(const QString& ident)
{
    return ident + QStringLiteral("--dividerPosition");
}

QString MivCollapsibleSplitView::subviewsResizeModeKey(const QString& ident)
{
    return ident + QStringLiteral("--subviewsResizeMode");
}

QString MivCollapsibleSplitView::collapsedSubviewDimensionKey(const QString& ident)
{
    return ident + QStringLiteral("--collapsedSubviewDimension");
}

QSplitterHandle* MivCollapsibleSplitView::createHandle()
{
    return new MivCollapsibleSplitHandle(orientation(), this);
}

void MivCollapsibleSplitView::loadState()
{
    const auto context = MivContext::context();
    if (!context)
        return;
    const QVariantMap dict = context->dict();
    const QString ident = objectName();
    const QVariant mode = dict.value(subviewsResizeModeKey(ident));
    bool ok = false;
    const int modeValue = mode.toInt(&ok);
    if (mode.isValid() && ok)
        setSubviewsResizeMode(modeValue);
    if (const auto collapsed = storedNumber(dict, collapsedSubviewDimensionKey(ident)))
        m_collapsedSubviewDimension = std::clamp(*collapsed, 0.0, 1.0);
    reloadSplitPosition();
}

void MivCollapsibleSplitView::saveState()
{
    const auto context = MivContext::context();
    if (!context)
        return;
    const QString ident = objectName();
    context->setDictObject(qint64(m_subviewsResizeMode), subviewsResizeModeKey(ident));
    context->setDictObject(float(m_collapsedSubviewDimension), collapsedSubviewDimensionKey(ident));
    context->setDictObject(float(dividerPosition()), dividerPositionKey(ident));
}

void MivCollapsibleSplitView::reloadSplitPosition()
{
    const auto context = MivContext::context();
    if (!context)
        return;
    if (const auto position = storedNumber(context->dict(), dividerPositionKey(objectName())))
        setDividerPosition(*position);
}

int MivCollapsibleSplitView::extent() const
{
    return orientation() == Qt::Horizontal ? width() : height();
}

int MivCollapsibleSplitView::platformThickness() const
{
    return m_platformThickness;
}

double MivCollapsibleSplitView::dividerPosition() const
{
    const int total = extent();
    if (total <= 0 || count() < 1)
        return 0.0;
    if (widget(0)->isHidden())
        return 0.0;
    return double(sizes().value(0)) / double(total);
}

void MivCollapsibleSplitView::setDividerPosition(double share)
{
    if (count() < 2)
        return;
    share = std::clamp(share, 0.0, 1.0);
    QWidget* first = widget(0);
    QWidget* second = widget(1);
    const int total = extent();
    if (share <= 0.0) {
        first->hide();
        second->show();
        refresh();
        setSizes({0, total});
        return;
    }
    if (share >= 1.0) {
        first->show();
        second->hide();
        refresh();
        setSizes({total, 0});
        return;
    }
    first->show();
    second->show();
    refresh();
    const int firstExtent = int(std::lround(share * total));
    applyExtents(firstExtent, total - firstExtent - (m_dividerHidden ? 0 : platformThickness()));
}

bool MivCollapsibleSplitView::isSubviewCollapsed(const QWidget* subview) const
{
    if (!subview || subview->isHidden())
        return true;
    const int index = indexOf(const_cast<QWidget*>(subview));
    if (index < 0)
        return true;
    return sizes().value(index) == 0;
}

int MivCollapsibleSplitView::dividerThickness() const
{
    if (m_collapseExpandInProgress || m_dividerHidden)
        return 0;
    for (int i = 0; i < count(); ++i) {
        if (isSubviewCollapsed(widget(i)))
            return 0;
    }
    return platformThickness();
}

void MivCollapsibleSplitView::applyHandleWidth()
{
    setHandleWidth(m_collapseExpandInProgress || m_dividerHidden ? 0 : platformThickness());
}

void MivCollapsibleSplitView::hideDivider(bool hide)
{
    m_dividerHidden = hide;
    applyHandleWidth();
}

void MivCollapsibleSplitView::setDividerWidth(int width)
{
    m_platformThickness = std::max(0, width);
    applyHandleWidth();
}

void MivCollapsibleSplitView::applyExtents(int first, int second)
{
    setSizes({std::max(0, first), std::max(0, second)});
}

void MivCollapsibleSplitView::shareEqually()
{
    const int thickness = dividerThickness();
    const int half = (extent() - thickness) / 2;
    applyExtents(half, extent() - thickness - half);
}

void MivCollapsibleSplitView::setSubviewsResizeMode(int mode)
{
    m_subviewsResizeMode = mode;
}

void MivCollapsibleSplitView::resizeEvent(QResizeEvent* event)
{
    const QList<int> before = sizes();
    QSplitter::resizeEvent(event);
    if (count() != 2 || m_collapseExpandInProgress || isSubviewCollapsed(widget(0)) || isSubviewCollapsed(widget(1)))
        return;
    const int total = extent();
    const int thickness = platformThickness();
    if (m_subviewsResizeMode == KeepFirst)
        applyExtents(before.value(0), total - before.value(0) - thickness);
    else if (m_subviewsResizeMode == KeepSecond)
        applyExtents(total - before.value(1) - thickness, before.value(1));
}

void MivCollapsibleSplitView::fixExpand(QWidget* subview, bool expand)
{
    if (!expand)
        return;
    m_collapsedSubviewDimension = 0.2;
    collapseOrExpandSubview(subview);
}

void MivCollapsibleSplitView::collapseOrExpandSubview(QWidget* subview, bool animate,
                                                      std::function<void()> completionHandler)
{
    const int index = indexOf(subview);
    if (index < 0 || index > 1 || count() < 2)
        return;
    if (m_collapseExpandInProgress) {
        MIV_LOG_DEBUG(QStringLiteral("Collapse or expand ignored: another one runs"));
        return;
    }

    const int total = extent();
    const bool expanding = isSubviewCollapsed(subview);
    int startFirst = 0;
    int targetFirst = 0;
    if (expanding) {
        const double share = m_collapsedSubviewDimension > 0.0 ? m_collapsedSubviewDimension : kFallbackExpandShare;
        const int collapsed = int(std::lround(share * total));
        const int rest = total - collapsed - platformThickness();
        targetFirst = index == 0 ? collapsed : rest;
        startFirst = index == 0 ? 0 : total;
        m_collapsedSubviewDimension = 0.0;
    } else {
        const int current = sizes().value(index);
        m_collapsedSubviewDimension = total > 0 ? double(current) / double(total) : 0.0;
        targetFirst = index == 0 ? 0 : total;
        startFirst = sizes().value(0);
    }

    m_pending = PendingChange{expanding ? nullptr : subview, targetFirst, total, std::move(completionHandler)};
    m_collapseExpandInProgress = true;
    applyHandleWidth();
    for (int i = 0; i < count(); ++i)
        widget(i)->show();
    // The splitter learns of visibility changes late, from a posted layout request.
    refresh();
    applyExtents(startFirst, total - startFirst);

    if (animate && g_animationsEnabled && isVisible()) {
        // The helper tells this view through the delegate when it has ended.
        SplitViewExtensions::catAnimateDividerAtIndex(this, 0, targetFirst, this);
        return;
    }
    finishChange();
}

void MivCollapsibleSplitView::setSplitViewIsAnimating(bool animating)
{
    if (!animating && m_collapseExpandInProgress)
        finishChange();
}

void MivCollapsibleSplitView::finishChange()
{
    PendingChange change = std::move(m_pending);
    m_pending = {};
    m_collapseExpandInProgress = false;
    applyHandleWidth();
    if (change.collapsing) {
        change.collapsing->hide();
        refresh();
        applyExtents(change.targetFirst, change.total - change.targetFirst);
    } else {
        applyExtents(change.targetFirst, change.total - change.targetFirst - (m_dividerHidden ? 0 : platformThickness()));
    }
    if (change.completion)
        change.completion();
    if (m_listener)
        m_listener->collapseOrExpandDone(this);
}
