#include "app/views/extensions/BezierPathExtensions.h"

#include <QPainter>

namespace BezierPathExtensions {

void strokeInside(QPainter& painter, const QPainterPath& path, const QPen& pen, const QRectF& within)
{
    painter.save();
    // Twice the width, half of it clipped away by the path itself.
    QPen doubled = pen;
    doubled.setWidthF(pen.widthF() * 2);
    painter.setClipPath(path, Qt::IntersectClip);
    if (within.width() > 0 && within.height() > 0)
        painter.setClipRect(within, Qt::IntersectClip);
    painter.strokePath(path, doubled);
    painter.restore();
}

} // namespace BezierPathExtensions
