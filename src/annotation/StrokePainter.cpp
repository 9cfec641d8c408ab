// How one stroke looks: the smoothed path through its points and the pen it is drawn with.
#include "annotation/StrokePainter.h"

#include <QPainter>

#include <algorithm>

namespace
{

// Widths in logical pixels, by tool and width level.
constexpr double kWidths[4][3] = {
    {6, 6, 6},    // Pointer
    {3, 6, 12},   // Pen
    {14, 22, 32}, // Highlighter
    {24, 42, 70}, // Eraser
};

} // namespace

double Ink::penWidth(Tool tool, int level)
{
    return kWidths[tool][std::clamp(level, 0, 2)];
}

QColor StrokePainter::inkColor(const Ink::Stroke &stroke)
{
    QColor color = stroke.color;
    if (stroke.tool == Ink::Eraser)
        color = Qt::black; // irrelevant under Clear
    else if (stroke.tool == Ink::Highlighter)
        color.setAlpha(kHighlighterAlpha);
    return color;
}

void StrokePainter::draw(QPainter &painter, const Ink::Stroke &stroke)
{
    painter.save();
    if (stroke.tool == Ink::Eraser)
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
    const QColor color = inkColor(stroke);
    const QPainterPath path = smoothPath(stroke.points);
    if (stroke.points.size() == 1) {
        // The toolkit strokes a closed curve narrower than the pen as a thin ring, not a disc:
        // fill the outline the round pen would give instead.
        const qreal grow = stroke.width / 2;
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(path.boundingRect().adjusted(-grow, -grow, grow, grow));
    } else {
        painter.setPen(
            QPen(QBrush(color), stroke.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.restore();
}

QPainterPath StrokePainter::smoothPath(const QList<QPointF> &points)
{
    QPainterPath path;
    const qsizetype n = points.size();
    if (n == 0)
        return path;
    if (n == 1) {
        path.addEllipse(QRectF(points[0] - QPointF(0.6, 0.6), QSizeF(1.2, 1.2)));
        return path;
    }
    path.moveTo(points[0]);
    for (qsizetype i = 0; i + 2 < n; ++i)
        path.quadTo(points[i + 1], (points[i + 1] + points[i + 2]) / 2);
    path.lineTo(points[n - 1]);
    return path;
}

QRectF StrokePainter::reach(const Ink::Stroke &stroke)
{
    if (stroke.points.isEmpty())
        return {};
    // A smoothed path stays inside the hull of its points; the pen and the antialiased edge
    // reach a little beyond.
    const auto [minX, maxX] =
        std::minmax_element(stroke.points.cbegin(), stroke.points.cend(),
                            [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    const auto [minY, maxY] =
        std::minmax_element(stroke.points.cbegin(), stroke.points.cend(),
                            [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); });
    const qreal grow = stroke.width / 2 + 2;
    return QRectF(QPointF(minX->x(), minY->y()), QPointF(maxX->x(), maxY->y()))
        .adjusted(-grow, -grow, grow, grow);
}
