// The transparent drawing layer over the slide show: pointer input, the modes and click-through.
#include "annotation/AnnotationOverlay.h"

#include "annotation/ShapedBackdrop.h"
#include "annotation/StrokePainter.h"
#include "platform/WindowLayer.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace
{

// How far beyond a live piece of ink the window is repainted.
int margin(double width)
{
    return int(0.5 * width + 3);
}

} // namespace

AnnotationOverlay::AnnotationOverlay(QWidget *parent)
    : QWidget(parent), shaping_(new ShapedBackdrop(this, canvas_))
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setWindowTitle(QStringLiteral("Podivex-Annotation"));
    setAttribute(Qt::WA_MouseTracking);
    connect(shaping_, &ShapedBackdrop::raised, this, &AnnotationOverlay::raisedItself);
}

void AnnotationOverlay::attachTo(const QRect &rect)
{
    setGeometry(rect);
    rebuildBuffer();
    redrawAll();
}

void AnnotationOverlay::setTool(Tool tool)
{
    if (tool != tool_)
        switchTool(tool);
}

void AnnotationOverlay::switchTool(Tool tool)
{
    tool_ = tool;
    drawing_ = false;
    applyClickThrough();
}

void AnnotationOverlay::setWidthLevel(int level)
{
    widthLevel_ = std::clamp(level, 0, 2);
}

void AnnotationOverlay::raiseToTop()
{
    win::raiseAbove(win::fromWinId(winId()), nullptr);
    emit raisedItself();
}

void AnnotationOverlay::activate()
{
    active_ = true;
    // Shaped, the window shows only where there is ink: the shape decides when it is mapped.
    if (win::needsShapedWindows())
        return;
    show();
    raiseToTop();
}

void AnnotationOverlay::setOverlayActive(bool on)
{
    if (on == active_)
        return;
    drawing_ = false;
    if (on) {
        activate();
    } else {
        active_ = false;
        hide();
    }
    applyClickThrough();
}

void AnnotationOverlay::setAnnotating(bool on)
{
    if (on == annotating_)
        return;
    annotating_ = on;
    drawing_ = false;
    if (on) {
        if (!active_) {
            activate();
            applyClickThrough();
        }
        // Drawing mode always starts with the pen, whatever was chosen before.
        if (tool_ != Pen)
            switchTool(Pen);
    } else if (tool_ != Pointer) {
        switchTool(Pointer);
    }
    applyClickThrough();
}

void AnnotationOverlay::applyClickThrough()
{
    const win::Handle handle = win::fromWinId(winId());
    if (!handle)
        return;
    const bool through = passThrough();
    setAttribute(Qt::WA_TransparentForMouseEvents, through);
    win::setClickThrough(handle, through);
    syncShape();
    if (isVisible()) {
        update();
        raiseToTop();
    }
}

void AnnotationOverlay::syncShape()
{
    shaping_->sync(active_, !passThrough());
}

void AnnotationOverlay::abandonStroke()
{
    drawing_ = false;
    current_ = Stroke();
}

void AnnotationOverlay::setCurrentPage(int page)
{
    page = std::max(page, 0);
    if (page == page_)
        return;
    abandonStroke();
    const int left = page_;
    page_ = page;
    if (canvas_.isNull()) {
        redrawAll();
    } else {
        update(canvas_.switchPage(left, page));
    }
    syncShape();
    shaping_->retake(); // the show under the overlay turns to another slide too
    emit pageChanged(page);
    emit strokesChanged(page, strokeCount(page));
}

void AnnotationOverlay::showUnderChanged()
{
    shaping_->retake();
}

void AnnotationOverlay::resetAll()
{
    store_.clear();
    canvas_.dropKeptPage();
    abandonStroke();
    page_ = 0;
    redrawAll();
    emit pageChanged(0);
    emit strokesChanged(0, 0);
}

void AnnotationOverlay::clear()
{
    store_.clearPage(page_);
    drawing_ = false;
    redrawAll();
    emit inkEdited(page_);
    emit strokesChanged(page_, 0);
    emit activity();
}

void AnnotationOverlay::undo()
{
    const std::optional<Stroke> removed = store_.takeLast(page_);
    if (!removed)
        return;
    drawing_ = false;
    redrawArea(StrokePainter::reach(*removed));
    emit inkEdited(page_);
    emit strokesChanged(page_, strokeCount(page_));
    emit activity();
}

void AnnotationOverlay::rebuildBuffer()
{
    canvas_.rebuild(size(), devicePixelRatio());
}

void AnnotationOverlay::redrawAll()
{
    if (canvas_.isNull())
        rebuildBuffer();
    canvas_.replay(page_);
    update();
    syncShape();
}

void AnnotationOverlay::redrawArea(const QRectF &area)
{
    update(canvas_.replayArea(page_, area));
    syncShape();
}

void AnnotationOverlay::paintEvent(QPaintEvent *)
{
    if (canvas_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Not a single fully transparent pixel while drawing, so that presses land on this window.
    if (!passThrough()) {
        painter.fillRect(rect(), QColor(0, 0, 0, 1));
        if (!shaping_->backdrop().isNull())
            painter.drawPixmap(rect(), shaping_->backdrop());
    }
    const QImage &ink = canvas_.image();
    painter.drawImage(rect(), ink, ink.rect());
}

void AnnotationOverlay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    rebuildBuffer();
    redrawAll();
}

void AnnotationOverlay::mousePressEvent(QMouseEvent *event)
{
    if (passThrough()) {
        event->ignore();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    drawing_ = true;
    const QPointF pos = event->position();
    current_ = Stroke{tool_, color_, penWidth(), {pos}, page_};
    last_ = pos;
    if (!canvas_.isNull()) {
        canvas_.drawLive(current_);
        const int m = margin(current_.width);
        const QPoint c = pos.toPoint();
        update(QRect(c.x() - m, c.y() - m, 2 * m + 1, 2 * m + 1));
    }
    emit activity();
}

void AnnotationOverlay::mouseMoveEvent(QMouseEvent *event)
{
    if (!drawing_) {
        event->ignore();
        return;
    }
    const QPointF pos = event->position();
    if (QLineF(last_, pos).length() < 1.0)
        return;
    current_.points.append(pos);
    if (!canvas_.isNull()) {
        Stroke segment = current_;
        segment.points = {last_, pos};
        canvas_.drawLive(segment);
        const int m = margin(current_.width);
        update(QRect(last_.toPoint(), pos.toPoint()).normalized().adjusted(-m, -m, m, m));
    }
    last_ = pos;
}

void AnnotationOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    if (!drawing_) {
        event->ignore();
        return;
    }
    drawing_ = false;
    // Pushed-out ink stays on screen until its area is replayed.
    for (const Stroke &gone : store_.append(current_))
        canvas_.markStale(StrokePainter::reach(gone));
    if (!canvas_.isNull())
        canvas_.learn(store_.page(page_).last());
    syncShape();
    emit inkEdited(page_);
    emit strokesChanged(page_, strokeCount(page_));
}
