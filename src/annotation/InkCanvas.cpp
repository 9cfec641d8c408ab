// The ink of the page shown, in device pixels, and the page shown before kept aside.
#include "annotation/InkCanvas.h"

#include "annotation/StrokePainter.h"

#include <QPainter>

#include <algorithm>

namespace
{

void beginScaled(QPainter &painter, QImage &image, qreal dpr)
{
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpr, dpr);
}

} // namespace

void InkCanvas::rebuild(QSize logical, qreal dpr)
{
    dpr_ = dpr;
    const int w = std::max(1, int(logical.width() * dpr));
    const int h = std::max(1, int(logical.height() * dpr));
    buffer_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    buffer_.fill(Qt::transparent);
    stale_ = QRectF();
    dropKeptPage();
}

void InkCanvas::dropKeptPage()
{
    keptPage_ = -1;
    kept_ = QImage();
    keptStale_ = QRectF();
}

void InkCanvas::drawLive(const Ink::Stroke &stroke)
{
    if (buffer_.isNull())
        return;
    markStale(StrokePainter::reach(stroke));
    QPainter painter;
    beginScaled(painter, buffer_, dpr_);
    StrokePainter::draw(painter, stroke);
}

void InkCanvas::replay(const QList<StrokeStore::Entry> &strokes)
{
    stale_ = QRectF();
    replayDevice(strokes, buffer_.rect());
}

QRect InkCanvas::replayArea(const QList<StrokeStore::Entry> &strokes, const QRectF &area)
{
    // Where live ink was painted the buffer may differ from a replay too: replay there as well.
    const QRectF replayed = area.united(stale_);
    stale_ = QRectF();
    replayDevice(strokes, QRectF(replayed.topLeft() * dpr_, replayed.size() * dpr_)
                              .toAlignedRect()
                              .intersected(buffer_.rect()));
    return replayed.toAlignedRect();
}

void InkCanvas::replayDevice(const QList<StrokeStore::Entry> &strokes, const QRect &device)
{
    if (device.isEmpty())
        return;
    QPainter painter(&buffer_);
    painter.setClipRect(device);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(device, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpr_, dpr_);
    const QRectF logical(QPointF(device.topLeft()) / dpr_, QSizeF(device.size()) / dpr_);
    for (const StrokeStore::Entry &entry : strokes) {
        if (StrokePainter::reach(entry.stroke).intersects(logical))
            StrokePainter::draw(painter, entry.stroke);
    }
}

void InkCanvas::switchPage(int from, int to, const QList<StrokeStore::Entry> &strokes)
{
    // The page left keeps its pixels: going back to it costs a swap, and a replay of what live
    // ink made differ from a replay, instead of a replay of the whole page.
    std::swap(buffer_, kept_);
    std::swap(stale_, keptStale_);
    const bool hit = keptPage_ == to && !buffer_.isNull();
    keptPage_ = kept_.isNull() ? -1 : from;
    if (hit) {
        if (!stale_.isEmpty())
            replayArea(strokes, QRectF());
        return;
    }
    if (buffer_.size() != kept_.size())
        buffer_ = QImage(kept_.size(), QImage::Format_ARGB32_Premultiplied);
    replay(strokes);
}
