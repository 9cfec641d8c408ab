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

    // Each crossing of a row: its edge pixels, its fully covered run, its edge pixels again.
    const int w = c.box_.width();
    c.rowStart_.reserve(size_t(c.box_.height()) + 1);
    c.rowCoverage_.reserve(size_t(c.box_.height()));
    for (int y = 0; y < c.box_.height(); ++y) {
        c.rowStart_.push_back(quint32(c.runs_.size()));
        c.rowCoverage_.push_back(quint32(c.coverage_.size()));
        const auto *row = reinterpret_cast<const quint32 *>(view.constScanLine(y));
        const auto alpha = [&](int x) { return x < w ? row[x] >> 24 : 0u; };
        auto edge = [&](int &x, quint8 &count) {
            for (quint32 a; count < 255 && (a = alpha(x)) != 0 && a != 255; ++x, ++count)
                c.coverage_.push_back(quint8(a));
        };
        for (int x = 0; x < w;) {
            if (alpha(x) == 0) {
                ++x;
                continue;
            }
            Run run{quint16(x), 0, 0, 0, 0, 0, 0};
            edge(x, run.left);
            for (; run.full < 65535 && alpha(x) == 255; ++x)
                ++run.full;
            if (run.full > 0)
                edge(x, run.right);
            c.runs_.push_back(run);
        }
    }
    c.rowStart_.push_back(quint32(c.runs_.size()));
    c.coverage_.resize(c.coverage_.size() + 3); // an edge is read four bytes at a time
    c.rowStart_.shrink_to_fit();
    c.rowCoverage_.shrink_to_fit();
    c.runs_.shrink_to_fit();
    c.coverage_.shrink_to_fit();
    return result;
}

template <typename Edge, typename Full>
void StrokeCoverage::forSpans(int r, int x0, int x1, Edge edge, Full full) const
{
    const quint8 *coverage = coverage_.data() + rowCoverage_[size_t(r)];
    const Run *run = runs_.data() + rowStart_[size_t(r)];
    const Run *const end = runs_.data() + rowStart_[size_t(r) + 1];
    if (x0 <= box_.left() && box_.right() < x1) {
        // The whole row is wanted: nothing to clip.
        for (; run != end; ++run) {
            if (run->hiddenBy) {
                coverage += run->left + run->right;
                continue;
            }
            const int x = box_.left() + run->x;
            if (!run->leftHidden)
                edge(x, coverage, int(run->left));
            coverage += run->left;
            full(x + run->left, int(run->full));
            if (!run->rightHidden)
                edge(x + run->left + run->full, coverage, int(run->right));
            coverage += run->right;
        }
        return;
    }
    for (; run != end; ++run) {
        if (run->hiddenBy) {
            coverage += run->left + run->right;
            continue;
        }
        const int x = box_.left() + run->x;
        const int right = x + run->left + run->full;
        int from = std::max(x0, x);
        int to = std::min(x1, x + int(run->left));
        if (from < to && !run->leftHidden)
            edge(from, coverage + (from - x), to - from);
        coverage += run->left;
        from = std::max(x0, x + int(run->left));
        to = std::min(x1, right);
        if (from < to)
            full(from, to - from);
        from = std::max(x0, right);
        to = std::min(x1, right + int(run->right));
        if (from < to && !run->rightHidden)
            edge(from, coverage + (from - right), to - from);
        coverage += run->right;
    }
}

template <typename Edge, typename Full>
void StrokeCoverage::forRows(uchar *bits, qsizetype stride, const QRect &area, Edge edge,
                             Full full) const
{
    const int x0 = area.left();
    const int x1 = area.right() + 1;
    const int y1 = std::min(area.bottom(), box_.bottom()) + 1;
    // Edges are blended four pixels at a time where the rest of the four lies inside the area.
    const bool room = box_.right() + 4 <= x1;
    for (int y = std::max(area.top(), box_.top()); y < y1; ++y) {
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride);
        forSpans(
            y - box_.top(), x0, x1,
            [&](int x, const quint8 *c, int n) { edge(row + x, c, n, room); },
            [&](int x, int n) { full(row + x, n); });
    }
}

void StrokeCoverage::blend(uchar *bits, qsizetype stride, const QRect &area) const
{
    if (tool_ == Ink::Eraser) {
        forRows(
            bits, stride, area,
            [](quint32 *p, const quint8 *c, int n, bool room) {
                InkBlend::clearCoverage(p, c, n, room);
            },
            [](quint32 *p, int n) { InkBlend::fill(p, n, 0u); });
        return;
    }
    const InkBlend::Shades &shades = *shades_;
    const auto edge = [&shades](quint32 *p, const quint8 *c, int n, bool room) {
        InkBlend::sourceOverCoverage(p, c, n, shades, room);
    };
    if (opaque()) // a plain fill
        forRows(bits, stride, area, edge,
                [&shades](quint32 *p, int n) { InkBlend::fill(p, n, shades.color); });
    else
        forRows(bits, stride, area, edge,
                [&shades](quint32 *p, int n) { InkBlend::sourceOver(p, n, shades.color); });
}

bool StrokeCoverage::opaque() const
{
    return tool_ == Ink::Eraser || shades_->color >> 24 == 255;
}

void StrokeCoverage::hideUnder(const StrokeCoverage &later, quint16 id) const
{
    const QRect both = box_.intersected(later.box_);
    if (both.isEmpty() || !later.opaque())
        return;
    bool hid = false;
    for (int y = both.top(); y <= both.bottom(); ++y) {
        const Run *run = runs_.data() + rowStart_[size_t(y - box_.top())];
        const Run *const end = runs_.data() + rowStart_[size_t(y - box_.top()) + 1];
        const Run *over = later.runs_.data() + later.rowStart_[size_t(y - later.box_.top())];
        const Run *const overEnd =
            later.runs_.data() + later.rowStart_[size_t(y - later.box_.top()) + 1];
        // Both lists run left to right: walk them together. The full run of `later` that
        // could contain a span is the first one ending past its start.
        const auto fullFrom = [&] { return later.box_.left() + over->x + over->left; };
        const auto covered = [&](int from, int to) {
            while (over != overEnd && fullFrom() + over->full <= from)
                ++over;
            return over != overEnd && fullFrom() <= from && to <= fullFrom() + over->full;
        };
        for (; run != end && over != overEnd; ++run) {
            if (run->hiddenBy != 0)
                continue;
            const int from = box_.left() + run->x;
            const int to = from + run->left + run->full + run->right;
            if (covered(from, to)) {
                run->hiddenBy = id;
                hid = true;
                continue;
            }
            if (run->left > 0 && !run->leftHidden && covered(from, from + run->left)) {
                run->leftHidden = 1;
                hid = true;
            }
            if (run->right > 0 && !run->rightHidden && covered(to - run->right, to)) {
                run->rightHidden = 1;
                hid = true;
            }
        }
    }
    if (hid)
        hiders_.push_back(id);
}

void StrokeCoverage::reveal(quint16 id, const QRectF &reach) const
{
    const auto hider = std::find(hiders_.begin(), hiders_.end(), id);
    if (hider == hiders_.end())
        return;
    hiders_.erase(hider);
    // It hid nothing outside the box it had when it was learnt, which lies inside its reach.
    const QRect rows =
        QRectF(reach.topLeft() * dpr_, reach.size() * dpr_).toAlignedRect().intersected(box_);
    if (rows.isEmpty())
        return;
    const auto end = runs_.begin() + rowStart_[size_t(rows.bottom() - box_.top()) + 1];
    for (auto run = runs_.begin() + rowStart_[size_t(rows.top() - box_.top())]; run != end; ++run) {
        if (run->hiddenBy == id)
            run->hiddenBy = 0;
        // Which stroke hid an edge is not kept: other strokes' edge marks go too.
        run->leftHidden = 0;
        run->rightHidden = 0;
    }
}

size_t StrokeCoverage::bytes() const
{
    return sizeof(*this) + (rowStart_.capacity() + rowCoverage_.capacity()) * sizeof(quint32) +
           runs_.capacity() * sizeof(Run) + coverage_.capacity() +
           hiders_.capacity() * sizeof(quint16);
}
