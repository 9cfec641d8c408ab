// Docking, side choice and companion placement arithmetic.
#include "controls/DockGeometry.h"

#include <QtGlobal>

namespace
{

constexpr int kDockInset = 8;
constexpr int kDockClamp = 2;
constexpr int kCompanionGap = 12;
constexpr int kCompanionInset = 4;

// Clamps into [low, high], or low when the range is empty.
int clampInto(qint64 v, qint64 low, qint64 high)
{
    return int(low < high ? qBound(low, v, high) : low);
}

} // namespace

namespace Dock
{

QSize barSize(Side side, bool collapsed)
{
    const QSize upright = collapsed ? QSize(56, 140) : QSize(104, 232);
    return side == Bottom ? upright.transposed() : upright;
}

QRect dockedRect(const QRect &s, Side side, QSize size)
{
    const qint64 w = size.width(), h = size.height();
    const qint64 left = s.left(), top = s.top(), right = s.right(), bottom = s.bottom();
    qint64 x = 0, y = 0;
    switch (side) {
    case Left:
        x = left + kDockInset;
        y = (top + bottom) / 2 - h / 2;
        break;
    case Right:
        x = right - w - kDockInset;
        y = (top + bottom) / 2 - h / 2;
        break;
    case Bottom:
        x = (left + right) / 2 - w / 2;
        y = bottom - h - kDockInset;
        break;
    }
    x = qMax(qMin(x, right - w - kDockClamp), left + kDockClamp);
    y = qMax(qMin(y, bottom - h - kDockClamp), top + kDockClamp);
    return QRect(int(x), int(y), size.width(), size.height());
}

Side nearestSide(const QRect &s, const QRect &bar)
{
    const qint64 cx = (qint64(bar.left()) + bar.right()) / 2;
    const qint64 cy = (qint64(bar.top()) + bar.bottom()) / 2;
    const qint64 dLeft = cx - s.left(), dRight = s.right() - cx, dBottom = s.bottom() - cy;
    if (dBottom < qMin(dLeft, dRight))
        return Bottom;
    return dLeft >= dRight ? Right : Left;
}

QPoint companionPos(const QRect &s, const QRect &bar, Side side, QSize p)
{
    const qint64 minX = s.left() + kCompanionInset, minY = s.top() + kCompanionInset;
    const qint64 maxX = qint64(s.right()) - p.width() - kCompanionInset;
    const qint64 maxY = qint64(s.bottom()) - p.height() - kCompanionInset;
    qint64 x = bar.x(), y = bar.y();
    switch (side) {
    case Right:
        x = qint64(bar.x()) - p.width() - kCompanionGap;
        break;
    case Bottom:
        y = qint64(bar.y()) - p.height() - kCompanionGap;
        break;
    case Left:
        x = qint64(bar.x()) + bar.width() + kCompanionGap;
        break;
    }
    return QPoint(clampInto(x, minX, maxX), clampInto(y, minY, maxY));
}

} // namespace Dock
