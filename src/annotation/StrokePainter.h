// How one stroke looks: the smoothed path through its points and the pen it is drawn with.
// Where it is drawn to, and when, is the canvas's business.
#pragma once

#include "annotation/Ink.h"

#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace StrokePainter
{

constexpr int kHighlighterAlpha = 110;

QPainterPath smoothPath(const QList<QPointF> &points);
// Draws with the painter's transform; the eraser clears what lies under it.
void draw(QPainter &painter, const Ink::Stroke &stroke);
// A rectangle in logical pixels that holds every pixel the stroke touches.
QRectF reach(const Ink::Stroke &stroke);
// The colour the stroke leaves, before antialiasing (unused for the eraser).
QColor inkColor(const Ink::Stroke &stroke);

} // namespace StrokePainter
