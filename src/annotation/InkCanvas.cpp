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

int bandCount(const QImage &image)
{
    return (image.height() + kBandRows - 1) / kBandRows;
}

QRect deviceRect(const QRectF &logical, qreal dpr)
{
    return QRectF(logical.topLeft() * dpr, logical.size() * dpr).toAlignedRect();
}

} // namespace

void InkCanvas::Extent::widen(int from, int to)
{
    if (from >= to)
        return;
    left = left < right ? std::min(left, from) : from;
    right = std::max(right, to);
}

void InkCanvas::rebuild(QSize logical, qreal dpr)
{
    dpr_ = dpr;
    const int w = std::max(1, int(logical.width() * dpr));
    const int h = std::max(1, int(logical.height() * dpr));
    buffer_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    buffer_.fill(Qt::transparent);
    inked_.assign(size_t(bandCount(buffer_)), Extent());
    stale_ = QRectF();
    dropKeptPage();
}

void InkCanvas::dropKeptPage()
{
    keptPage_ = -1;
    kept_ = QImage();
    keptInked_.clear();
    keptStale_ = QRectF();
}

void InkCanvas::drawLive(const Ink::Stroke &stroke)
{
    if (buffer_.isNull())
        return;
    markStale(StrokePainter::reach(stroke));
    const QRect device = deviceRect(StrokePainter::reach(stroke), dpr_).intersected(buffer_.rect());
    if (device.isEmpty())
        return;
    for (int band = device.top() / kBandRows; band <= device.bottom() / kBandRows; ++band)
        inked_[size_t(band)].widen(device.left(), device.right() + 1);
    QPainter painter(&buffer_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpr_, dpr_);
    StrokePainter::draw(painter, stroke);
}

void InkCanvas::learn(const StrokeStore::Entry &entry)
{
    entry.coverage = StrokeCoverage::capture(entry.stroke, dpr_, buffer_.rect(), scratch_);
    // What it covers of the strokes under it need not be blended again.
    for (const StrokeStore::Entry &earlier : store_.page(entry.stroke.page)) {
        if (&earlier == &entry)
            break;
        if (earlier.coverage && earlier.coverage->serves(dpr_, buffer_.rect()))
            earlier.coverage->hideUnder(*entry.coverage, entry.id);
    }
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
    replayDevice(page, deviceRect(replayed, dpr_).intersected(buffer_.rect()));
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
    const int left = device.left();
    const int right = device.right() + 1;
    const bool fullWidth = left == 0 && right == buffer_.width();
    const int first = device.top() / kBandRows;
    const int bands = device.bottom() / kBandRows + 1 - first;
    // Bands are taken in turn: a thread the system keeps waiting leaves its share to the other.
    std::atomic<int> next{0};
    auto work = [&] {
        for (int band;
             (band = first + next.fetch_add(1, std::memory_order_relaxed)) < first + bands;) {
            const int top = std::max(device.top(), band * kBandRows);
            const int bottom = std::min(device.bottom() + 1, (band + 1) * kBandRows);
            // Only where the band may hold ink is there anything to clear.
            Extent &ink = inked_[size_t(band)];
            const int from = std::max(left, ink.left);
            const int to = std::min(right, ink.right);
            for (int y = top; from < to && y < bottom; ++y) {
                auto *row = reinterpret_cast<quint32 *>(bits + y * stride);
                std::fill(row + from, row + to, 0u);
            }
            if (fullWidth && top == band * kBandRows &&
                bottom == std::min(buffer_.height(), top + kBandRows))
                ink = Extent();
            const QRect area(left, top, right - left, bottom - top);
            for (const StrokeCoverage *stroke : strokes) {
                const QRect box = stroke->box();
                if (box.top() >= bottom || box.bottom() < top)
                    continue;
                ink.widen(std::max(left, box.left()), std::min(right, box.right() + 1));
                stroke->blend(bits, stride, area);
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

QRegion InkCanvas::switchPage(int from, int to)
{
    // The page left keeps its pixels: going back to it costs a swap, and a replay of what live
    // ink made differ from a replay, instead of a replay of the whole page.
    std::swap(buffer_, kept_);
    std::swap(inked_, keptInked_);
    std::swap(stale_, keptStale_);
    const bool hit = keptPage_ == to && !buffer_.isNull();
    keptPage_ = kept_.isNull() ? -1 : from;
    if (hit) {
        remember(to);
        if (!stale_.isEmpty())
            replayArea(to, QRectF());
    } else {
        if (buffer_.size() != kept_.size()) {
            // Nothing is known of a new buffer's pixels: every band is cleared.
            buffer_ = QImage(kept_.size(), QImage::Format_ARGB32_Premultiplied);
            inked_.assign(size_t(bandCount(buffer_)), Extent{0, buffer_.width()});
        }
        replay(to);
    }
    return region(inked_) + region(keptInked_);
}

QRegion InkCanvas::region(const Extents &extents) const
{
    QRegion area;
    for (size_t band = 0; band < extents.size(); ++band) {
        const Extent &ink = extents[band];
        if (ink.left < ink.right) {
            const QRectF device(ink.left, int(band) * kBandRows, ink.right - ink.left, kBandRows);
            area += QRectF(device.topLeft() / dpr_, device.size() / dpr_).toAlignedRect();
        }
    }
    return area;
}
