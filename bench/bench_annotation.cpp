// Ink costs at 1080p and 4K, ratios 1 and 2, on a page of even waves and on a hand-drawn one of
// the same counts: a full replay (page switch to a page not kept), the window paint it is measured
// against, a switch back to the page kept, undo, one pointer move, the end of a stroke, and the
// replay into the buffer alone with the memory a page's kept coverage takes.
#include "OffscreenScreen.h"
#include "PaintCounter.h"
#include "annotation/AnnotationOverlay.h"
#include "annotation/InkCanvas.h"
#include "annotation/StrokeCoverage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QtMath>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

// The page the costs are measured on: a full page of long strokes.
constexpr int kStrokes = 400;
constexpr int kPoints = 200;

std::unique_ptr<AnnotationOverlay> drawingOverlay(const benchmark::State &state)
{
    const int ratio = int(state.range(2));
    auto overlay = std::make_unique<AnnotationOverlay>();
    const QRect rect =
        OffscreenScreen::on(ratio, int(state.range(0)) / ratio, int(state.range(1)) / ratio);
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

// A handwriting-like wave, 5 logical pixels between points.
QList<QPointF> wave(QPointF start, int points)
{
    QList<QPointF> list;
    for (int i = 0; i < points; ++i)
        list << start + QPointF(5.0 * i, 30.0 * qSin(i / 6.0));
    return list;
}

// A wandering hand: steps of 1.5 to 6 pixels that turn a little at every point, kept inside.
QList<QPointF> scribble(QRandomGenerator &random, QSize area, int points)
{
    QPointF p(random.bounded(area.width()), random.bounded(area.height()));
    qreal heading = random.bounded(2 * M_PI);
    QList<QPointF> list{p};
    while (list.size() < points) {
        heading += random.bounded(0.8) - 0.4;
        p += QPointF(qCos(heading), qSin(heading)) * (1.5 + random.bounded(4.5));
        p.setX(qBound(0.0, p.x(), qreal(area.width())));
        p.setY(qBound(0.0, p.y(), qreal(area.height())));
        list << p;
    }
    return list;
}

void drawStroke(AnnotationOverlay &overlay, const QList<QPointF> &line)
{
    send(&overlay, QEvent::MouseButtonPress, line.first());
    for (const QPointF &p : line.mid(1))
        send(&overlay, QEvent::MouseMove, p);
    send(&overlay, QEvent::MouseButtonRelease, line.last());
}

// The s-th stroke of a page of the given kind (0: waves of the default pen, 1: hand-drawn with
// mostly pens of every width, some highlighter and now and then an eraser).
Ink::Stroke pageStroke(QSize area, int kind, int s, QRandomGenerator &random)
{
    if (kind == 0) {
        const QSize room = area - QSize(5 * kPoints, 80);
        return {Ink::Pen, Qt::red, Ink::penWidth(Ink::Pen, 1),
                wave(QPointF(s * 37 % qMax(1, room.width()), 40 + s * 53 % qMax(1, room.height())),
                     kPoints),
                0};
    }
    const Ink::Tool tool = s % 10 < 7 ? Ink::Pen : s % 10 < 9 ? Ink::Highlighter : Ink::Eraser;
    return {tool, Qt::red, Ink::penWidth(tool, s % 3), scribble(random, area, kPoints), 0};
}

void fillPage(AnnotationOverlay &overlay, int kind, int strokes)
{
    QRandomGenerator random(7 + overlay.currentPage());
    for (int s = 0; s < strokes; ++s) {
        const Ink::Stroke stroke = pageStroke(overlay.size(), kind, s, random);
        overlay.setTool(stroke.tool);
        overlay.setWidthLevel(kind == 1 ? s % 3 : 1);
        drawStroke(overlay, stroke.points);
    }
    overlay.setTool(AnnotationOverlay::Pen);
    overlay.setWidthLevel(1);
}

void sizeArgs(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"w", "h", "ratio", "hand"});
    for (QSize s : {QSize(1920, 1080), QSize(3840, 2160)}) {
        for (int ratio : {1, 2}) {
            for (int kind : {0, 1})
                b->Args({s.width(), s.height(), ratio, kind});
        }
    }
}

// An overlay with three full pages, page 2 shown. Drawing them takes seconds, and the benchmark
// library calls each case several times: the last one is kept for the next call. A widget must
// go before the application does, so main lets go of it.
std::unique_ptr<AnnotationOverlay> keptPages;

AnnotationOverlay &threePages(const benchmark::State &state)
{
    static std::vector<int64_t> args;
    std::unique_ptr<AnnotationOverlay> &overlay = keptPages;
    const std::vector<int64_t> wanted{state.range(0), state.range(1), state.range(2),
                                      state.range(3)};
    if (!overlay || args != wanted) {
        overlay.reset();
        overlay = drawingOverlay(state);
        args = wanted;
        for (int page = 0; page < 3; ++page) {
            overlay->setCurrentPage(page);
            fillPage(*overlay, int(state.range(3)), kStrokes);
        }
    }
    return *overlay;
}

// A page switch to a page not kept: a full replay and the paint of the whole window. Three full
// pages in turn, so that no switch finds the page it goes to kept.
void BM_Replay(benchmark::State &state)
{
    AnnotationOverlay *overlay = &threePages(state);
    int page = overlay->currentPage();
    PaintCounter counter(overlay);
    for (auto _ : state) {
        page = (page + 1) % 3;
        overlay->setCurrentPage(page);
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_Replay)->Apply(sizeArgs)->Unit(benchmark::kMillisecond);

// The yardstick: the paint of the whole window from the buffer.
void BM_WindowPaint(benchmark::State &state)
{
    auto overlay = drawingOverlay(state);
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
    AnnotationOverlay *overlay = &threePages(state);
    overlay->setCurrentPage(0);
    overlay->setCurrentPage(1);
    QCoreApplication::processEvents();
    PaintCounter counter(overlay);
    for (auto _ : state) {
        overlay->setCurrentPage(overlay->currentPage() == 0 ? 1 : 0);
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_PageSwitchBack)->Apply(sizeArgs)->Unit(benchmark::kMillisecond);

// Undo on a full page whose buffer is a replay, newest stroke first.
void BM_Undo(benchmark::State &state)
{
    auto overlay = drawingOverlay(state);
    fillPage(*overlay, int(state.range(3)), kStrokes);
    overlay->attachTo(overlay->geometry());
    PaintCounter counter(overlay.get());
    for (auto _ : state) {
        overlay->undo();
        QCoreApplication::processEvents();
    }
    reportPaints(state, counter);
}
BENCHMARK(BM_Undo)->Apply(sizeArgs)->Iterations(100)->Unit(benchmark::kMillisecond);

// One pointer move: the segment into the buffer and the paint of the box it invalidated.
void BM_PointerMove(benchmark::State &state)
{
    auto overlay = drawingOverlay(state);
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

// The release that ends a stroke of the page's kind on a page one short of full, taken back after.
void BM_StrokeEnd(benchmark::State &state)
{
    auto overlay = drawingOverlay(state);
    const int kind = int(state.range(3));
    fillPage(*overlay, kind, kStrokes - 1);
    QRandomGenerator random(11);
    for (auto _ : state) {
        state.PauseTiming();
        const QList<QPointF> line = pageStroke(overlay->size(), kind, 5, random).points;
        send(overlay.get(), QEvent::MouseButtonPress, line.first());
        for (const QPointF &p : line.mid(1))
            send(overlay.get(), QEvent::MouseMove, p);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        send(overlay.get(), QEvent::MouseButtonRelease, line.last());
        QCoreApplication::processEvents();
        state.PauseTiming();
        overlay->undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StrokeEnd)->Apply(sizeArgs)->Iterations(30)->Unit(benchmark::kMillisecond);

// The replay of a full page into the buffer alone, without the window, and the memory its kept
// coverage takes.
void BM_CanvasReplay(benchmark::State &state)
{
    const int ratio = int(state.range(2));
    const QSize logical(int(state.range(0)) / ratio, int(state.range(1)) / ratio);
    StrokeStore store;
    QRandomGenerator random(7);
    for (int s = 0; s < kStrokes; ++s)
        store.append(pageStroke(logical, int(state.range(3)), s, random));
    InkCanvas canvas(store);
    canvas.rebuild(logical, ratio);
    canvas.replay(0); // learns the coverage
    for (auto _ : state)
        canvas.replay(0);
    size_t bytes = 0;
    for (const StrokeStore::Entry &entry : store.page(0))
        bytes += entry.coverage->bytes();
    state.counters["MB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_CanvasReplay)->Apply(sizeArgs)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    OffscreenScreen::configure(OffscreenScreen::bothRatios());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    keptPages.reset();
    return 0;
}
