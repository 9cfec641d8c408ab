// The ink of the page shown, in device pixels: live strokes drawn straight into it, replays of a
// page's stored strokes, and the pixels of the page shown before kept for a quick return.
// Leaves out the window: the caller decides what to repaint and when.
#pragma once

#include "annotation/StrokeStore.h"

#include <QImage>
#include <QRectF>

class InkCanvas
{
public:
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
    // Replays every stroke over a cleared buffer.
    void replay(const QList<StrokeStore::Entry> &strokes);
    // Replays the strokes reaching the area, and wherever the buffer was marked stale; returns
    // the logical rectangle that changed.
    QRect replayArea(const QList<StrokeStore::Entry> &strokes, const QRectF &area);
    // Puts the shown page's pixels aside and shows those of `to`: kept ones if `to` was the page
    // put aside last, else a replay of its strokes.
    void switchPage(int from, int to, const QList<StrokeStore::Entry> &strokes);
    void dropKeptPage();

private:
    void replayDevice(const QList<StrokeStore::Entry> &strokes, const QRect &device);

    QImage buffer_;
    qreal dpr_ = 1.0;
    QRectF stale_;
    int keptPage_ = -1;
    QImage kept_;
    QRectF keptStale_;
};
