// Where the floating toolbar and its companion go on a screen: pure functions of rectangles, with
// coordinates computed wide so that screens far from the origin cannot overflow. Leaves out
// animation and the widgets themselves.
#pragma once

#include <QObject>
#include <QRect>

namespace Dock
{
Q_NAMESPACE

// The screen edge the toolbar is docked to.
enum Side { Left = 0, Right = 1, Bottom = 2 };
Q_ENUM_NS(Side)

// The toolbar's size on a side, folded or not; across the bottom it lies on its side.
QSize barSize(Side side, bool collapsed);
// A bar of size docked to side: 8 pixels off that edge, centred along it, and at least 2 pixels
// inside every edge.
QRect dockedRect(const QRect &screen, Side side, QSize size);
// The edge nearest to the bar's centre: the bottom only when strictly nearer than both sides, and
// a tie between the sides goes right.
Side nearestSide(const QRect &screen, const QRect &bar);
// The companion's place beside a bar docked to side, 12 pixels off it towards the screen's middle,
// kept 4 pixels inside the screen (its left or top edge when it is too big to fit).
QPoint companionPos(const QRect &screen, const QRect &bar, Side side, QSize companion);

} // namespace Dock
