// What keeping annotated slides costs the GUI thread while a real Impress show is followed: the
// picture of the show taken at an ink edit, and the hand-off of a page to the writer when it is
// left (composing and writing run on the writer's thread and are waited for outside the timing).
// X display only; the screen size is the caller's (with-xvfb.sh gives 1920 x 1080).
#include "Bench.h"
#include "annotation/InkArchive.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>

#include <memory>

namespace
{

std::unique_ptr<InkArchive> g_archive;
QList<Ink::Stroke> g_strokes;

// The show stays on its slide: each visit of page 1 or 2 takes a new picture of it.
void BM_CaptureAtEdit(benchmark::State &state)
{
    int page = 1;
    for (auto _ : state) {
        state.PauseTiming();
        page = 3 - page;
        g_archive->pageShown(page);
        state.ResumeTiming();
        g_archive->inkEdited(page);
    }
}

void BM_HandOffOnLeaving(benchmark::State &state)
{
    int page = 1;
    for (auto _ : state) {
        state.PauseTiming();
        g_archive->waitForWrites(60000);
        g_archive->inkEdited(page);
        page = 3 - page;
        g_strokes.last().points.last() += QPointF(1, 0); // changed ink: saved again
        state.ResumeTiming();
        g_archive->pageShown(page);
    }
    g_archive->waitForWrites(60000);
}

BENCHMARK(BM_CaptureAtEdit)->Unit(benchmark::kMillisecond)->Iterations(100);
// Each hand-off is followed by a whole write: a fixed count keeps the run short.
BENCHMARK(BM_HandOffOnLeaving)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home; // the pictures land here
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    QApplication app(argc, argv);
    ImpressShow show({"#20a020", "#2040d0"});
    if (!bench::startShow(show))
        return 1;
    fprintf(stderr, "screen %dx%d\n", QGuiApplication::primaryScreen()->size().width(),
            QGuiApplication::primaryScreen()->size().height());
    // A page of fifty pen strokes of a hundred points each.
    for (int s = 0; s < 50; ++s) {
        Ink::Stroke stroke{Ink::Pen, Qt::red, 6, {}, 1};
        for (int i = 0; i < 100; ++i)
            stroke.points << QPointF(100 + 15 * i, 100 + 18 * s + (i % 7));
        g_strokes << stroke;
    }
    g_archive = std::make_unique<InkArchive>([](int) { return g_strokes; });
    win::prepareCapture(show.showWindow());
    g_archive->beginShow(show.showWindow(), win::monitorRect(show.showWindow()));
    const int result = bench::run(argc, argv);
    g_archive.reset();
    return result;
}
