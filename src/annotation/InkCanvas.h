// The ink of the page shown, in device pixels: live strokes drawn straight into it, replays of a
// page's stored strokes from their kept coverage, and the pixels of the page shown before kept
// for a quick return, and where each buffer may hold ink so that only that is cleared or
// repainted. Leaves out the window: the caller decides what to repaint and when.
#pragma once

#include "annotation/StrokeStore.h"

#include <QImage>
#include <QRectF>
#include <QRegion>

#include <vector>

class InkCanvas
{
public:
    explicit InkCanvas(StrokeStore &store) : store_(store) {}

    // A transparent buffer for a window of this logical size at this ratio; forgets the kept page.
    void rebuild(QSize logical, qreal dpr);
    bool isNull() const { return buffer_.isNull(); }
    const QImage &image() const { return buffer_; }
    qreal ratio() const { return dpr_; }

    // Draws a stroke, or a piece of one, over what is there; a replay may look different there.
    void drawLive(const Ink::Stroke &stroke);
    // The buffer may differ from a replay here (logical pixels), e.g. where a stroke was pushed
    // out.
    void markStale(const QRectF &area) { stale_ = stale_.united(area); }
    // Learns the coverage of a stroke just stored, so that replays need not draw it again, and
    // what it hides of the strokes before it on its page.
    void learn(const StrokeStore::Entry &entry);
    // Replays every stroke of the page over a cleared buffer.
    void replay(int page);
    // Replays the strokes of the page reaching the area, and wherever the buffer was marked
    // stale; returns the logical rectangle that changed.
    QRect replayArea(int page, const QRectF &area);
    // Puts the shown page's pixels aside and shows those of `to`: kept ones if `to` was the page
    // put aside last, else a replay of its strokes. Returns the logical area where either page
    // may have ink: elsewhere both are clear and the window need not be painted again.
    QRegion switchPage(int from, int to);
    void dropKeptPage();

private:
    // The columns of a band of rows where a buffer may hold ink; none when left >= right.
    struct Extent {
        int left = 0;
        int right = 0;
        void widen(int from, int to);
    };
    using Extents = std::vector<Extent>;

    void replayDevice(int page, const QRect &device);
    void remember(int page);
    QRegion region(const Extents &extents) const;

    StrokeStore &store_;
    QImage buffer_;
    Extents inked_;
    qreal dpr_ = 1.0;
    QRectF stale_;
    int keptPage_ = -1;
    QImage kept_;
    Extents keptInked_;
    QRectF keptStale_;
    QImage scratch_;    // where strokes are drawn once to learn their coverage
    QList<int> recent_; // pages shown last, newest first: their coverage is kept
};
