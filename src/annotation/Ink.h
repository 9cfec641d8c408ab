// The words of the ink: the tools, one stored stroke and the widths each tool draws with.
// Painting and storing strokes live elsewhere (StrokePainter, StrokeStore).
#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointF>

namespace Ink
{
Q_NAMESPACE

enum Tool { Pointer = 0, Pen = 1, Highlighter = 2, Eraser = 3 };
Q_ENUM_NS(Tool)

struct Stroke {
    Tool tool = Pointer;
    QColor color;
    double width = 0; // logical pixels
    QList<QPointF> points;
    int page = 0;
};

// The width in logical pixels a tool draws with at a width level (clamped to 0..2).
double penWidth(Tool tool, int level);

} // namespace Ink
