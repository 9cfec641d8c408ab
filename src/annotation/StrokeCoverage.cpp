// What one finished stroke covers in device pixels, kept as runs per row, and its blending.
#include "annotation/StrokeCoverage.h"

#include "annotation/InkBlend.h"
#include "annotation/StrokePainter.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace
{

// The colour exactly as the raster engine blends it: filled over nothing, it is left as it is.
quint32 blendedColor(const QColor &color)
{
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(Qt::transparent);
    QPainter(&pixel).fillRect(0, 0, 1, 1, color);
    return *reinterpret_cast<const quint32 *>(pixel.constScanLine(0));
}

// One table per colour, shared by every stroke of that colour. Used on the GUI thread only.
std::shared_ptr<const InkBlend::Shades> shadesOf(const QColor &color)
{
    static QHash<QRgb, std::shared_ptr<const InkBlend::Shades>> tables;
    if (tables.size() > 64) // strokes keep their own; this only saves building them again
        tables.clear();
    const QRgb key = color.rgba();
    auto &entry = tables[key];
    if (!entry)
        entry = std::make_shared<const InkBlend::Shades>(blendedColor(color));
    return entry;
}

} // namespace

std::shared_ptr<const StrokeCoverage> StrokeCoverage::capture(const Ink::Stroke &stroke, qreal dpr,
                                                              const QRect &within, QImage &scratch)
{
    auto result = std::make_shared<StrokeCoverage>();
    StrokeCoverage &c = *result;
    c.tool_ = stroke.tool;
    c.dpr_ = dpr;
    c.within_ = within;
    // Pixels outside the buffer never show: a stroke dragged far off the window costs nothing.
    const QRectF reach = StrokePainter::reach(stroke);
    c.box_ = QRectF(reach.topLeft() * dpr, reach.size() * dpr).toAlignedRect().intersected(within);
    if (stroke.tool != Ink::Eraser)
        c.shades_ = shadesOf(StrokePainter::inkColor(stroke));
    if (c.box_.isEmpty())
        return result;

    if (scratch.width() < c.box_.width() || scratch.height() < c.box_.height()) {
        scratch = QImage(std::max(scratch.width(), c.box_.width()),
                         std::max(scratch.height(), c.box_.height()),
                         QImage::Format_ARGB32_Premultiplied);
    }
    // A view of the scratch the size of the box, so that nothing is drawn beyond it.
    QImage view(scratch.bits(), c.box_.width(), c.box_.height(), scratch.bytesPerLine(),
                QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < c.box_.height(); ++y)
        std::memset(view.scanLine(y), 0, size_t(c.box_.width()) * 4);
    // Opaque white over nothing leaves the coverage in every channel.
    Ink::Stroke white = stroke;
    white.tool = Ink::Pen;
    white.color = Qt::white;
    {
        QPainter painter(&view);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-c.box_.x(), -c.box_.y());
        painter.scale(dpr, dpr);
        StrokePainter::draw(painter, white);
    }

    c.rowStart_.reserve(size_t(c.box_.height()) + 1);
    for (int y = 0; y < c.box_.height(); ++y) {
        c.rowStart_.push_back(quint32(c.runs_.size()));
        const auto *row = reinterpret_cast<const quint32 *>(view.constScanLine(y));
        int x = 0;
        while (x < c.box_.width()) {
            const quint32 a = row[x] >> 24;
            if (a == 0) {
                ++x;
                continue;
            }
            const int start = x;
            if (a == 255) {
                while (x < c.box_.width() && (row[x] >> 24) == 255)
                    ++x;
                c.runs_.push_back({start, x - start, kFull});
                continue;
            }
            const qint32 offset = qint32(c.coverage_.size());
            for (quint32 b; x < c.box_.width() && (b = row[x] >> 24) != 0 && b != 255; ++x)
                c.coverage_.push_back(quint8(b));
            c.runs_.push_back({start, x - start, offset});
        }
    }
    c.rowStart_.push_back(quint32(c.runs_.size()));
    c.rowStart_.shrink_to_fit();
    c.runs_.shrink_to_fit();
    c.coverage_.shrink_to_fit();
    return result;
}

void StrokeCoverage::blendRow(quint32 *row, int y, int x0, int x1) const
{
    const int r = y - box_.top();
    if (r < 0 || r >= box_.height())
        return;
    for (quint32 i = rowStart_[size_t(r)]; i < rowStart_[size_t(r) + 1]; ++i) {
        const Run &run = runs_[i];
        const int from = std::max(x0, box_.left() + run.x);
        const int to = std::min(x1, box_.left() + run.x + run.length);
        if (from >= to)
            continue;
        quint32 *dst = row + from;
        const int n = to - from;
        if (run.coverage == kFull) {
            if (tool_ == Ink::Eraser)
                std::fill_n(dst, n, 0u);
            else
                InkBlend::sourceOver(dst, n, shades_->color);
            continue;
        }
        const quint8 *coverage = coverage_.data() + run.coverage + (from - box_.left() - run.x);
        if (tool_ == Ink::Eraser)
            InkBlend::clearCoverage(dst, coverage, n);
        else
            InkBlend::sourceOverCoverage(dst, coverage, n, *shades_);
    }
}

size_t StrokeCoverage::bytes() const
{
    return sizeof(*this) + rowStart_.capacity() * sizeof(quint32) + runs_.capacity() * sizeof(Run) +
           coverage_.capacity();
}
