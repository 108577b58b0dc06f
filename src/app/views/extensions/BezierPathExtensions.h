#pragma once

#include <QPainterPath>
#include <QPen>
#include <QRectF>

class QPainter;

// Outlines drawn inside their shape. Main thread (or any, on an image).
namespace BezierPathExtensions {

// Strokes the path with the pen so that the visible stroke has the pen's
// width and lies entirely inside the path (and inside the rectangle when it
// has a positive width and height). The painter's state is restored.
void strokeInside(QPainter& painter, const QPainterPath& path, const QPen& pen, const QRectF& within = QRectF());

} // namespace BezierPathExtensions
