// Ink costs: one pointer move (segment plus the paint of its box) against a full redraw of a page.
#include "OffscreenScreen.h"
#include "PaintCounter.h"
#include "annotation/AnnotationOverlay.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtMath>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

// Buffer sizes in device pixels; the overlay's logical size is this divided by the ratio.
constexpr QSize kFullHd(1920, 1080);
constexpr QSize k4k(3840, 2160);

std::unique_ptr<AnnotationOverlay> drawingOverlay(QSize device, int ratio)
{
    auto overlay = std::make_unique<AnnotationOverlay>();
    const QRect rect = OffscreenScreen::on(ratio, device.width() / ratio, device.height() / ratio);
    overlay->attachTo(rect);
    overlay->setAnnotating(true);
    QCoreApplication::processEvents();
    overlay->attachTo(rect);
    QCoreApplication::processEvents();
    return overlay;
}

void reportPaints(benchmark::State &state, const PaintCounter &counter)
{
    state.counters["paints"] =
        benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
}

void send(QWidget *w, QEvent::Type type, QPointF pos)
{
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

// A handwriting-like wave of the given number of points, 5 logical pixels apart.
QList<QPointF> wave(QPointF start, int points)
{
    QList<QPointF> list;
    for (int i = 0; i < points; ++i)
        list << start + QPointF(5.0 * i, 30.0 * qSin(i / 6.0));
    return list;
}

void fillPage(AnnotationOverlay &overlay, int strokes, int points)
{
    const QSize area = overlay.size() - QSize(5 * points, 80);
    for (int s = 0; s < strokes; ++s) {
        const QList<QPointF> line = wave(
            QPointF(s * 37 % qMax(1, area.width()), 40 + s * 53 % qMax(1, area.height())), points);
        send(&overlay, QEvent::MouseButtonPress, line.first());
        for (const QPointF &p : line.mid(1))
            send(&overlay, QEvent::MouseMove, p);
        send(&overlay, QEvent::MouseButtonRelease, line.last());
    }
}

void sizeArgs(benchmark::internal::Benchmark *b)
{
    for (QSize s : {kFullHd, k4k}) {
        for (int ratio : {1, 2})
            b->Args({s.width(), s.height(), ratio});
    }
}

// One pointer move: the segment into the buffer and the paint of the box it invalidated.
void BM_PointerMove(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    const QList<QPointF> line = wave(QPointF(20, 200), 150); // fits the smallest window
    send(overlay.get(), QEvent::MouseButtonPress, line.first());
    qsizetype i = 1;
    PaintCounter counter(overlay.get());
    for (auto _ : state) {
        send(overlay.get(), QEvent::MouseMove, line[i]);
        QCoreApplication::processEvents();
        i = i + 1 < line.size() ? i + 1 : 1;
    }
    reportPaints(state, counter);
    send(overlay.get(), QEvent::MouseButtonRelease, line.last());
}
BENCHMARK(BM_PointerMove)->Apply(sizeArgs)->Unit(benchmark::kMicrosecond);

// A full redraw of a page of 400 strokes of 200 points, as a page switch to it does, with the
// paint of the whole window that follows. Three full pages in turn, so that no switch finds the
// page it goes to still painted.
void BM_FullRedraw(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    for (int page = 0; page < 3; ++page) {
        overlay->setCurrentPage(page);
        fillPage(*overlay, StrokeStore::kMaxStrokesPerPage, 200);
    }
    int page = 0;
    PaintCounter counter(overlay.get());
    for (auto _ : state) {
        page = (page + 1) % 3;
        overlay->setCurrentPage(page);
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_FullRedraw)->Apply(sizeArgs)->Unit(benchmark::kMillisecond);

// Where a redraw's time goes besides the strokes: the paint of the whole window from the buffer.
void BM_WindowPaint(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    PaintCounter counter(overlay.get());
    for (auto _ : state) {
        overlay->update();
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_WindowPaint)->Apply(sizeArgs)->Unit(benchmark::kMillisecond);

// Back to the page shown just before, whose pixels are kept.
void BM_PageSwitchBack(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    for (int page = 0; page < 2; ++page) {
        overlay->setCurrentPage(page);
        fillPage(*overlay, StrokeStore::kMaxStrokesPerPage, 200);
    }
    // Two replays: from now on both pages are exact.
    overlay->setCurrentPage(0);
    overlay->setCurrentPage(1);
    PaintCounter counter(overlay.get());
    for (auto _ : state) {
        overlay->setCurrentPage(overlay->currentPage() == 0 ? 1 : 0);
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_PageSwitchBack)->Apply(sizeArgs)->Unit(benchmark::kMillisecond);

// Undo on a full page whose buffer is a replay: only the removed stroke's area is replayed.
void BM_Undo(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    fillPage(*overlay, StrokeStore::kMaxStrokesPerPage, 200);
    overlay->attachTo(overlay->geometry());
    PaintCounter counter(overlay.get());
    for (auto _ : state) {
        overlay->undo();
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_Undo)->Apply(sizeArgs)->Iterations(100)->Unit(benchmark::kMillisecond);

// The common undo: a stroke drawn on a full page and taken back at once.
void BM_DrawThenUndo(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    fillPage(*overlay, StrokeStore::kMaxStrokesPerPage - 1, 200);
    overlay->attachTo(overlay->geometry());
    for (auto _ : state) {
        state.PauseTiming();
        fillPage(*overlay, 1, 200);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        overlay->undo();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_DrawThenUndo)->Apply(sizeArgs)->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    OffscreenScreen::configure(OffscreenScreen::bothRatios());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
