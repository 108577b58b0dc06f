#include "app/views/extensions/SplitViewExtensions.h"

#include <QEasingCurve>
#include <QPointer>
#include <QSplitter>
#include <QVariantAnimation>

namespace SplitViewExtensions {

namespace {

bool sideBySide(const QSplitter* splitter)
{
    return splitter->orientation() == Qt::Horizontal;
}

// Start and extent of child i along the split axis.
std::pair<int, int> span(const QSplitter* splitter, int index)
{
    const QRect frame = splitter->widget(index)->geometry();
    return sideBySide(splitter) ? std::pair{frame.x(), frame.width()} : std::pair{frame.y(), frame.height()};
}

int extent(const QSplitter* splitter)
{
    return sideBySide(splitter) ? splitter->width() : splitter->height();
}

} // namespace

int catPositionOfDividerAtIndex(const QSplitter* splitter, int index)
{
    if (!splitter || index < 0 || index >= splitter->count())
        return -1;
    const auto [start, length] = span(splitter, index);
    return start + length;
}

int splitPosition(const QSplitter* splitter)
{
    return catPositionOfDividerAtIndex(splitter, 0);
}

void setSplitPosition(QSplitter* splitter, int position)
{
    if (splitter && splitter->count() > 1)
        splitter->setSizes(sizesForDividers(splitter, {0}, {position}));
}

QList<int> sizesForDividers(const QSplitter* splitter, const QList<int>& indexes, const QList<int>& positions)
{
    // Snapshot of every child's span, changed in place divider by divider.
    QList<std::pair<int, int>> spans;
    for (int n = 0; n < splitter->count(); ++n)
        spans << span(splitter, n);
    const int count = int(std::min(indexes.size(), positions.size()));
    for (int k = 0; k < count; ++k) {
        const int d = indexes[k];
        const int p = positions[k];
        if (d < 0 || d + 1 >= spans.size())
            continue;
        auto& a = spans[d];
        auto& b = spans[d + 1];
        const int thickness = extent(splitter) > p ? splitter->handleWidth() : 0;
        const int bEnd = b.first + b.second;
        a.second = std::max(0, p - a.first);
        b.first = p + thickness;
        b.second = std::max(0, bEnd - p - thickness);
    }
    QList<int> sizes;
    for (const auto& [start, length] : spans)
        sizes << length;
    return sizes;
}

void catAnimateDividerAtIndex(QSplitter* splitter, int index, int position, ISplitViewAnimationDelegate* delegate)
{
    catAnimateDividerIndexes(splitter, {index}, {position}, delegate);
}

void catAnimateDividerIndexes(QSplitter* splitter, const QList<int>& indexes, const QList<int>& positions,
                              ISplitViewAnimationDelegate* delegate)
{
    if (!splitter)
        return;
    const QList<int> from = splitter->sizes();
    const QList<int> to = sizesForDividers(splitter, indexes, positions);
    if (delegate)
        delegate->setSplitViewIsAnimating(true);
    auto* animation = new QVariantAnimation(splitter);
    animation->setDuration(kAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    QPointer<QSplitter> target(splitter);
    QObject::connect(animation, &QVariantAnimation::valueChanged, splitter, [target, from, to](const QVariant& value) {
        const double t = value.toDouble();
        QList<int> sizes;
        for (int n = 0; n < to.size() && n < from.size(); ++n)
            sizes << int(from[n] + (to[n] - from[n]) * t + 0.5);
        if (target)
            target->setSizes(sizes);
    });
    QObject::connect(animation, &QVariantAnimation::finished, splitter, [target, to, delegate] {
        if (target)
            target->setSizes(to);
        if (delegate)
            delegate->setSplitViewIsAnimating(false);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace SplitViewExtensions
