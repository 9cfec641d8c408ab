// The transparent drawing layer over the slide show: ink kept per slide, painted incrementally.
#include "annotation/AnnotationOverlay.h"

#include "platform/WindowLayer.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>

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

// How long the window under the overlay gets to repaint after the ink has gone from the screen.
constexpr int kRepaintSettleMs = 150;

// Where windows are shaped, pixels fainter than this are left out of the shape: without
// composition they would show as dark fringes instead of blending.
constexpr int kShapeAlpha = 64;

} // namespace

AnnotationOverlay::AnnotationOverlay(QWidget *parent) : QWidget(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setWindowTitle(QStringLiteral("Podivex-Annotation"));
    setAttribute(Qt::WA_MouseTracking);
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

void AnnotationOverlay::activate()
{
    active_ = true;
    // Shaped, the window shows only where there is ink: the shape decides when it is mapped.
    if (win::needsShapedWindows())
        return;
    show();
    win::raiseAbove(win::fromWinId(winId()), nullptr);
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
        win::raiseAbove(handle, nullptr);
    }
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
    backdropWanted_ = false; // the show under the overlay turns to another slide too
    // The page just left keeps its pixels: going back to it costs a swap, and a replay of what
    // live ink made differ from a replay, instead of a replay of the whole page.
    std::swap(buffer_, cachedBuffer_);
    std::swap(stale_, cachedStale_);
    const bool hit = cachedPage_ == page && !buffer_.isNull();
    cachedPage_ = cachedBuffer_.isNull() ? -1 : left;
    if (hit) {
        if (!stale_.isEmpty())
            redrawArea(QRectF());
        update();
        syncShape();
    } else {
        if (buffer_.size() != cachedBuffer_.size())
            buffer_ = QImage(cachedBuffer_.size(), QImage::Format_ARGB32_Premultiplied);
        redrawAll();
    }
    emit pageChanged(page);
    emit strokesChanged(page, strokeCount(page));
}

void AnnotationOverlay::resetAll()
{
    store_.clear();
    dropCachedPage();
    abandonStroke();
    page_ = 0;
    redrawAll();
    emit pageChanged(0);
    emit strokesChanged(0, 0);
}

void AnnotationOverlay::clear()
{
    store_.remove(page_);
    drawing_ = false;
    redrawAll();
    emit strokesChanged(page_, 0);
    emit activity();
}

void AnnotationOverlay::undo()
{
    auto it = store_.find(page_);
    if (it == store_.end() || it->isEmpty())
        return;
    const Stroke removed = it->takeLast();
    const int count = int(it->size());
    drawing_ = false;
    redrawArea(reach(removed));
    emit strokesChanged(page_, count);
    emit activity();
}

int AnnotationOverlay::strokeCount(int page) const
{
    return page < 0 ? 0 : int(store_.value(page).size());
}

int AnnotationOverlay::annotatedPageCount() const
{
    return int(std::count_if(store_.cbegin(), store_.cend(),
                             [](const QList<Stroke> &list) { return !list.isEmpty(); }));
}

double AnnotationOverlay::penWidth() const
{
    return kWidths[tool_][widthLevel_];
}

void AnnotationOverlay::rebuildBuffer()
{
    bufferDpr_ = devicePixelRatio();
    const int w = std::max(1, int(width() * bufferDpr_));
    const int h = std::max(1, int(height() * bufferDpr_));
    buffer_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    buffer_.fill(Qt::transparent);
    dropCachedPage();
}

void AnnotationOverlay::dropCachedPage()
{
    cachedPage_ = -1;
    cachedBuffer_ = QImage();
    cachedStale_ = QRectF();
}

void AnnotationOverlay::beginBufferPainter(QPainter &painter)
{
    painter.begin(&buffer_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(bufferDpr_, bufferDpr_);
}

void AnnotationOverlay::redrawAll()
{
    if (buffer_.isNull())
        rebuildBuffer();
    buffer_.fill(Qt::transparent);
    QPainter painter;
    beginBufferPainter(painter);
    for (const Stroke &stroke : store_.value(page_))
        drawStroke(painter, stroke);
    painter.end();
    stale_ = QRectF();
    update();
    syncShape();
}

void AnnotationOverlay::redrawArea(const QRectF &area)
{
    // Where live ink was painted the buffer may differ from a replay too: replay there as well.
    const QRectF replayed = area.united(stale_);
    stale_ = QRectF();
    const QRect device =
        QRectF(replayed.topLeft() * bufferDpr_, replayed.size() * bufferDpr_).toAlignedRect();
    QPainter painter(&buffer_);
    painter.setClipRect(device);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(device, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(bufferDpr_, bufferDpr_);
    for (const Stroke &stroke : store_.value(page_)) {
        if (reach(stroke).intersects(replayed))
            drawStroke(painter, stroke);
    }
    painter.end();
    update(replayed.toAlignedRect());
    syncShape();
}

void AnnotationOverlay::markStale(const QRectF &area)
{
    stale_ = stale_.united(area);
}

QRectF AnnotationOverlay::reach(const Stroke &stroke)
{
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

void AnnotationOverlay::drawStroke(QPainter &painter, const Stroke &stroke) const
{
    painter.save();
    QColor color = stroke.color;
    if (stroke.tool == Eraser) {
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        color = Qt::black;
    } else if (stroke.tool == Highlighter) {
        color.setAlpha(kHighlighterAlpha);
    }
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

QPainterPath AnnotationOverlay::smoothPath(const QList<QPointF> &points)
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

void AnnotationOverlay::drawSegment(const Stroke &stroke, const QPointF &from, const QPointF &to)
{
    if (buffer_.isNull())
        return;
    Stroke segment = stroke;
    segment.points = {from, to};
    markStale(reach(segment));
    QPainter painter;
    beginBufferPainter(painter);
    drawStroke(painter, segment);
    painter.end();
    const int m = margin(stroke.width);
    update(QRect(from.toPoint(), to.toPoint()).normalized().adjusted(-m, -m, m, m));
}

void AnnotationOverlay::paintEvent(QPaintEvent *)
{
    if (buffer_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Not a single fully transparent pixel while drawing, so that presses land on this window.
    if (!passThrough()) {
        painter.fillRect(rect(), QColor(0, 0, 0, 1));
        if (!backdrop_.isNull())
            painter.drawPixmap(rect(), backdrop_);
    }
    painter.drawImage(rect(), buffer_, buffer_.rect());
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
    markStale(reach(current_));
    last_ = pos;
    if (!buffer_.isNull()) {
        QPainter painter;
        beginBufferPainter(painter);
        drawStroke(painter, current_);
        painter.end();
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
    drawSegment(current_, last_, pos);
    last_ = pos;
}

void AnnotationOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    if (!drawing_) {
        event->ignore();
        return;
    }
    drawing_ = false;
    QList<Stroke> &list = store_[page_];
    list.append(current_);
    while (list.size() > kMaxStrokesPerPage)
        markStale(reach(list.takeFirst())); // its pixels stay until the area is replayed
    syncShape();
    emit strokesChanged(page_, int(list.size()));
}

void AnnotationOverlay::syncShape()
{
    if (!win::needsShapedWindows() || shaping_)
        return;
    const QScopedValueRollback<bool> guard(shaping_, true);
    if (!active_) {
        backdropWanted_ = false;
        return;
    }
    if (!passThrough()) {
        if (!backdropWanted_)
            scheduleBackdrop();
        return;
    }
    backdropWanted_ = false;
    backdrop_ = QPixmap();
    // Without composition a translucent window hides what lies under it: show only the ink, and
    // nothing at all when there is none (an empty mask would mean no mask).
    const QRegion ink = inkRegion();
    if (ink.isEmpty()) {
        hide();
        return;
    }
    setMask(ink);
    if (!isVisible()) {
        show();
        win::raiseAbove(win::fromWinId(winId()), nullptr);
    }
}

void AnnotationOverlay::scheduleBackdrop()
{
    // Drawing needs the whole area, which would hide the show: paint a picture of the screen
    // under the ink instead. Our own ink must be gone from the screen, and the window under it
    // repainted, before the picture is taken.
    backdropWanted_ = true;
    const bool inkShown = isVisible();
    hide();
    const int generation = ++backdropGeneration_;
    QTimer::singleShot(inkShown ? kRepaintSettleMs : 0, this, [this, generation] {
        if (generation == backdropGeneration_)
            showOverBackdrop();
    });
}

void AnnotationOverlay::showOverBackdrop()
{
    if (!backdropWanted_ || !active_ || passThrough())
        return;
    if (QScreen *s = screen())
        backdrop_ =
            s->grabWindow(0, x() - s->geometry().x(), y() - s->geometry().y(), width(), height());
    clearMask();
    show();
    win::raiseAbove(win::fromWinId(winId()), nullptr);
    update();
}

QRegion AnnotationOverlay::inkRegion() const
{
    if (buffer_.isNull())
        return {};
    const QImage image =
        qFuzzyCompare(bufferDpr_, 1.0)
            ? buffer_
            : buffer_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage bits(image.size(), QImage::Format_MonoLSB);
    bits.setColorCount(2);
    bits.setColor(0, qRgb(255, 255, 255));
    bits.setColor(1, qRgb(0, 0, 0));
    bits.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) >= kShapeAlpha)
                bits.setPixel(x, y, 1);
        }
    }
    return QRegion(QBitmap::fromImage(bits));
}
