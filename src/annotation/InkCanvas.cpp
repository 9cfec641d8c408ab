// The ink of the page shown, in device pixels, replayed from kept coverage in bands.
#include "annotation/InkCanvas.h"

#include "annotation/StrokeCoverage.h"
#include "annotation/StrokePainter.h"

#include <QPainter>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>

namespace
{

// Rows replayed together: every stroke reaching a band is blended while the band is in cache.
constexpr int kBandRows = 32;
// Below this many pixels a replay is not worth a second thread.
constexpr qint64 kThreadedPixels = 512 * 512;
// Pages whose coverage is kept; others draw their strokes again when shown.
constexpr int kCoveredPages = 4;

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
    QPainter painter(&buffer_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpr_, dpr_);
    StrokePainter::draw(painter, stroke);
}

void InkCanvas::learn(const StrokeStore::Entry &entry)
{
    entry.coverage = StrokeCoverage::capture(entry.stroke, dpr_, buffer_.rect(), scratch_);
}

void InkCanvas::replay(int page)
{
    stale_ = QRectF();
    replayDevice(page, buffer_.rect());
}

QRect InkCanvas::replayArea(int page, const QRectF &area)
{
    // Where live ink was painted the buffer may differ from a replay too: replay there as well.
    const QRectF replayed = area.united(stale_);
    stale_ = QRectF();
    replayDevice(page, QRectF(replayed.topLeft() * dpr_, replayed.size() * dpr_)
                           .toAlignedRect()
                           .intersected(buffer_.rect()));
    return replayed.toAlignedRect();
}

void InkCanvas::replayDevice(int page, const QRect &device)
{
    remember(page);
    if (device.isEmpty())
        return;
    // Coverage is learnt on this thread; the bands then only read it.
    std::vector<const StrokeCoverage *> strokes;
    const QRectF logical(QPointF(device.topLeft()) / dpr_, QSizeF(device.size()) / dpr_);
    for (const StrokeStore::Entry &entry : store_.page(page)) {
        const bool known = entry.coverage && entry.coverage->serves(dpr_, buffer_.rect());
        if (!known && !StrokePainter::reach(entry.stroke).intersects(logical))
            continue;
        if (!known)
            learn(entry);
        if (entry.coverage->box().intersects(device))
            strokes.push_back(entry.coverage.get());
    }
    uchar *const bits = buffer_.bits();
    const qsizetype stride = buffer_.bytesPerLine();
    const int bands = (device.height() + kBandRows - 1) / kBandRows;
    // Bands are taken in turn: a thread the system keeps waiting leaves its share to the other.
    std::atomic<int> next{0};
    auto work = [&] {
        for (int band; (band = next.fetch_add(1, std::memory_order_relaxed)) < bands;) {
            const int top = device.top() + band * kBandRows;
            const int bottom = std::min(top + kBandRows, device.bottom() + 1);
            for (int y = top; y < bottom; ++y) {
                auto *row = reinterpret_cast<quint32 *>(bits + y * stride);
                std::fill(row + device.left(), row + device.right() + 1, 0u);
            }
            for (const StrokeCoverage *stroke : strokes) {
                const QRect box = stroke->box();
                const int from = std::max(top, box.top());
                const int to = std::min(bottom, box.bottom() + 1);
                for (int y = from; y < to; ++y)
                    stroke->blendRow(reinterpret_cast<quint32 *>(bits + y * stride), y,
                                     device.left(), device.right() + 1);
            }
        }
    };
    const int threads = qint64(device.width()) * device.height() < kThreadedPixels
                            ? 1
                            : std::clamp(QThread::idealThreadCount(), 1, std::min(4, bands));
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &helper : helpers)
        helper.join();
}

void InkCanvas::remember(int page)
{
    // Coverage costs a few megabytes per full page: keep it for the pages shown last only.
    if (!recent_.isEmpty() && recent_.first() == page)
        return;
    recent_.removeAll(page);
    recent_.prepend(page);
    if (recent_.size() > kCoveredPages) {
        recent_.resize(kCoveredPages);
        store_.dropCoverageExcept(recent_);
    }
}

void InkCanvas::switchPage(int from, int to)
{
    // The page left keeps its pixels: going back to it costs a swap, and a replay of what live
    // ink made differ from a replay, instead of a replay of the whole page.
    std::swap(buffer_, kept_);
    std::swap(stale_, keptStale_);
    const bool hit = keptPage_ == to && !buffer_.isNull();
    keptPage_ = kept_.isNull() ? -1 : from;
    if (hit) {
        remember(to);
        if (!stale_.isEmpty())
            replayArea(to, QRectF());
        return;
    }
    if (buffer_.size() != kept_.size())
        buffer_ = QImage(kept_.size(), QImage::Format_ARGB32_Premultiplied);
    replay(to);
}
