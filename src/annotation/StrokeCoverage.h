// What one finished stroke covers in device pixels, kept as runs per row, which of those runs
// and their edges later strokes hide, and how it is blended back: bit for bit what drawing the
// stroke with the toolkit's painter leaves. Leaves out which strokes to blend and where (the
// canvas's business).
#pragma once

#include "annotation/Ink.h"

#include <QRect>

#include <memory>
#include <vector>

class QImage;

namespace InkBlend
{
struct Shades;
}

class StrokeCoverage
{
public:
    // Stroke ids that can name a hider: 1 up to this.
    static constexpr quint16 kIds = (1 << 14) - 1;

    // Draws the stroke once into scratch (grown as needed) and keeps its coverage inside the
    // device rectangle `within`.
    static std::shared_ptr<const StrokeCoverage> capture(const Ink::Stroke &stroke, qreal dpr,
                                                         const QRect &within, QImage &scratch);

    // Whether this serves a buffer of that ratio and device rectangle.
    bool serves(qreal dpr, const QRect &buffer) const
    {
        return qFuzzyCompare(dpr_, dpr) && within_.contains(buffer);
    }
    // Every device pixel the stroke touches lies inside.
    QRect box() const { return box_; }
    // Blends the stroke into the area of a buffer of ARGB32 premultiplied rows.
    void blend(uchar *bits, qsizetype stride, const QRect &area) const;
    // Whether the stroke leaves the pixels it covers fully the same whatever lay under them: an
    // eraser, or ink without transparency.
    bool opaque() const;
    // Marks the runs and edges of this stroke that `later`, a stroke drawn after it, covers fully
    // and opaquely: replays skip them until reveal(id). Both must serve the same buffer.
    void hideUnder(const StrokeCoverage &later, quint16 id) const;
    // The stroke named `id`, which reached no further than `reach` (logical pixels), is gone:
    // what it hid shows again, and so do other strokes' hidden edges in those rows.
    void reveal(quint16 id, const QRectF &reach) const;
    // Memory held, in bytes.
    size_t bytes() const;

private:
    // One crossing of a row: `left` edge pixels, `full` fully covered ones, `right` edge pixels.
    // The edge pixels' coverage bytes follow each other in coverage_, row after row.
    struct Run {
        quint16 x; // from the box's left: the box lies inside the buffer
        quint8 left;
        quint8 right;
        quint16 full;
        // The later stroke hiding the whole run, or 0, and whether later strokes hide either
        // edge. Marks change on the GUI thread only, never during a replay.
        mutable quint16 hiddenBy : 14;
        mutable quint16 leftHidden : 1;
        mutable quint16 rightHidden : 1;
    };

    // Calls edge(x, coverage, n) and full(x, n) for the spans of row r inside columns x0..x1.
    template <typename Edge, typename Full>
    void forSpans(int r, int x0, int x1, Edge edge, Full full) const;
    // Calls edge(pixel, coverage, n) and full(pixel, n) for the spans inside the area.
    template <typename Edge, typename Full>
    void forRows(uchar *bits, qsizetype stride, const QRect &area, Edge edge, Full full) const;

    Ink::Tool tool_ = Ink::Pen;
    qreal dpr_ = 1;
    QRect within_;
    QRect box_;
    std::shared_ptr<const InkBlend::Shades> shades_;
    std::vector<quint32> rowStart_;    // runs of row r: rowStart_[r] up to rowStart_[r + 1]
    std::vector<quint32> rowCoverage_; // where row r's coverage bytes begin
    std::vector<Run> runs_;
    std::vector<quint8> coverage_;
    mutable std::vector<quint16> hiders_; // every id hiding a run or edge here
};
