// Ink costs: one pointer move (segment plus the paint of its box) against a full redraw of a page.
#include "AnnotationOverlay.h"
#include "OffscreenScreens.h"

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
    const QRect rect = OffscreenScreens::on(ratio, device.width() / ratio, device.height() / ratio);
    overlay->attachTo(rect);
    overlay->setAnnotating(true);
    QCoreApplication::processEvents();
    overlay->attachTo(rect);
    QCoreApplication::processEvents();
    return overlay;
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
    const QList<QPointF> line = wave(QPointF(20, 200), 300);
    send(overlay.get(), QEvent::MouseButtonPress, line.first());
    qsizetype i = 1;
    for (auto _ : state) {
        send(overlay.get(), QEvent::MouseMove, line[i]);
        QCoreApplication::processEvents();
        i = i + 1 < line.size() ? i + 1 : 1;
    }
    send(overlay.get(), QEvent::MouseButtonRelease, line.last());
}
BENCHMARK(BM_PointerMove)->Apply(sizeArgs)->Unit(benchmark::kMicrosecond);

// A full redraw of a page of 400 strokes of 200 points, as a page switch back to it does, with
// the paint of the whole window that follows.
void BM_FullRedraw(benchmark::State &state)
{
    const QSize device(int(state.range(0)), int(state.range(1)));
    auto overlay = drawingOverlay(device, int(state.range(2)));
    fillPage(*overlay, AnnotationOverlay::kMaxStrokesPerPage, 200);
    for (auto _ : state) {
        state.PauseTiming();
        overlay->setCurrentPage(1);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        overlay->setCurrentPage(0);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_FullRedraw)->Apply(sizeArgs)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    OffscreenScreens::use();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
