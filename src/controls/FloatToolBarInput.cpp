// Pointer input of the floating toolbar: dragging it to another edge, and the grip's right-click
// and long press that ask for the menu. Leaves out the docking arithmetic.
#include "controls/FloatToolBar.h"

#include "controls/IdleFade.h"
#include "controls/TouchButton.h"

#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QTimer>

#include <climits>
#include <cstdlib>
#include <utility>

namespace
{

constexpr int kDragThreshold = 7;

// A global pointer position rounded to whole pixels, clamped to the integer range.
QPoint roundedPoint(const QPointF &p)
{
    auto round = [](qreal v) {
        return int(qBound<qreal>(INT_MIN, qRound64(qBound<qreal>(-4e18, v, 4e18)), INT_MAX));
    };
    return QPoint(round(p.x()), round(p.y()));
}

} // namespace

void FloatToolBar::beginPress(const QPointF &globalPos)
{
    if (m_dockAnimation)
        m_dockAnimation->stop(); // the pointer takes over from a dock still under way
    m_pressed = true;
    m_dragged = false;
    m_menuShown = false;
    m_pressPoint = roundedPoint(globalPos);
    m_pressPos = pos();
    m_fader->resetIdle();
}

bool FloatToolBar::dragTo(const QPointF &globalPos)
{
    const QPoint delta = roundedPoint(globalPos) - m_pressPoint;
    if (!m_dragged && std::abs(delta.x()) + std::abs(delta.y()) < kDragThreshold)
        return false;
    m_dragged = true;
    m_longPress->stop(); // a drag is no long press
    move(m_pressPos + delta);
    return true;
}

bool FloatToolBar::finishDrag()
{
    const bool dragged = m_dragged;
    m_pressed = false;
    m_dragged = false;
    m_longPress->stop();
    if (!dragged)
        return false;
    // The screen is taken before the new size can push the bar's centre onto a neighbour.
    const QRect s = screenGeom();
    m_side = Dock::nearestSide(s, geometry());
    relayout();
    applyDock(true, s);
    m_fader->resetIdle();
    return true;
}

void FloatToolBar::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    beginPress(event->globalPosition());
    event->accept();
}

void FloatToolBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    dragTo(event->globalPosition());
    event->accept();
}

void FloatToolBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (finishDrag()) {
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

bool FloatToolBar::eventFilter(QObject *watched, QEvent *event)
{
    return watched == m_grip ? gripEvent(event) : QWidget::eventFilter(watched, event);
}

bool FloatToolBar::gripEvent(QEvent *event)
{
    const auto *mouse = dynamic_cast<QMouseEvent *>(event);
    if (!mouse)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::RightButton) {
            m_fader->resetIdle();
            emit menuRequested(roundedPoint(mouse->globalPosition()));
            return true;
        }
        beginPress(mouse->globalPosition());
        if (mouse->button() == Qt::LeftButton)
            m_longPress->start();
        return false; // the grip still shows its pressed look
    case QEvent::MouseMove:
        return m_menuShown || (m_pressed && dragTo(mouse->globalPosition()));
    case QEvent::MouseButtonRelease:
        if (mouse->button() == Qt::RightButton)
            return true;
        if (std::exchange(m_menuShown, false))
            return true; // the long press asked for the menu; no click follows it
        if (!finishDrag())
            return false;       // the grip's click folds or unfolds the bar
        m_grip->setDown(false); // the swallowed release would leave it looking pressed
        return true;
    default:
        return false;
    }
}
