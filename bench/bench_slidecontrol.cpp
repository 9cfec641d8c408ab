// Time from nextSlide to the key at the show, in front and behind another window (X display).
#include "control/SlideController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>

namespace
{

constexpr int kArrivalTimeoutMs = 2000;

// Stands in for the show: notes when a Right key arrives.
class ShowWindow : public QWidget
{
public:
    bool arrived = false;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Right)
            arrived = true;
    }
};

bool waitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(kArrivalTimeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

struct Scene {
    ShowWindow show;
    QWidget cover;
    SlideController controller;

    Scene()
    {
        show.setWindowTitle("show");
        show.setGeometry(0, 0, 1920, 1080);
        cover.setWindowTitle("cover");
        cover.setGeometry(200, 200, 600, 400);
        show.show();
        cover.show();
        controller.setTarget(win::fromWinId(show.winId()));
    }

    bool bringToFront(QWidget *w)
    {
        win::forceForeground(win::fromWinId(w->winId()));
        // Both the window manager's word and the keyboard focus, which follows it a moment later.
        return waitFor([w] {
            return win::foregroundWindow() == win::fromWinId(w->winId()) && w->isActiveWindow();
        });
    }
};

// Each iteration puts `front` in front, then times `act` until `done` holds.
void measure(benchmark::State &state, bool showInFront, const std::function<void(Scene &)> &act,
             const std::function<bool(Scene &)> &done)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display (run through tests/common/x11/with-xvfb.sh)");
        return;
    }
    Scene scene;
    for (auto _ : state) {
        if (!scene.bringToFront(showInFront ? static_cast<QWidget *>(&scene.show) : &scene.cover)) {
            state.SkipWithError("could not arrange the windows");
            return;
        }
        scene.show.arrived = false;
        const auto start = std::chrono::steady_clock::now();
        act(scene);
        if (!waitFor([&] { return done(scene); })) {
            state.SkipWithError("the command did not arrive");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

void nextSlide(Scene &s)
{
    s.controller.nextSlide();
}
bool keyArrived(Scene &s)
{
    return s.show.arrived;
}

void BM_NextSlideShowInFront(benchmark::State &state)
{
    measure(state, true, nextSlide, keyArrived);
}
void BM_NextSlideShowBehind(benchmark::State &state)
{
    measure(state, false, nextSlide, keyArrived);
}

// The activation part of the command behind another window, on its own.
void BM_ActivateShowBehind(benchmark::State &state)
{
    measure(
        state, false, [](Scene &s) { win::forceForeground(s.controller.target()); },
        [](Scene &s) { return win::foregroundWindow() == s.controller.target(); });
}

BENCHMARK(BM_NextSlideShowInFront)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_NextSlideShowBehind)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_ActivateShowBehind)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
