// Detection cost: scoring and picking over synthetic window lists, and describing real X windows.
#include "Bench.h"
#include "FakeBackend.h"
#include "PrivateDisplayX11.h"
#include "detection/SlideFinder.h"
#include "platform/x11/X11Backend.h"

#include <QCoreApplication>
#include <QThread>

namespace
{

constexpr int kRealWindows = 100;

win::WindowInfo window(quintptr id, const char *title, const char *className, const char *process,
                       const QRect &rect, bool caption)
{
    win::WindowInfo w;
    w.handle = FakeBackend::handle(id);
    w.title = QString::fromUtf8(title);
    w.className = QString::fromUtf8(className);
    w.processName = QString::fromUtf8(process);
    w.rect = rect;
    w.flags.setFlag(win::WindowFlag::Caption, caption);
    return w;
}

// A desktop of n windows, a full-screen show in the middle of the stack and the show in front.
void fillDesktop(FakeBackend &fake, int n)
{
    const QRect normal(100, 100, 1200, 800);
    for (int i = 0; i < n; ++i) {
        const quintptr id = quintptr(i + 1);
        switch (i % 4) {
        case 0:
            fake.windows.append(
                window(id, "News - Browser", "Navigator", "FIREFOX-ESR", normal, true));
            break;
        case 1:
            fake.windows.append(window(id, "deck.pptx - PowerPoint", "PPTFrameClass",
                                       "POWERPNT.EXE", normal, true));
            break;
        case 2:
            fake.windows.append(window(id, "Terminal", "XTerm", "XTERM", normal, true));
            break;
        default:
            fake.windows.append(window(id, "Present tense.txt", "Gedit", "GEDIT", normal, true));
            break;
        }
    }
    const int middle = n / 2;
    fake.windows[middle] = window(quintptr(middle + 1), "Presenting: deck", "Soffice",
                                  "SOFFICE.BIN", QRect(0, 0, 1920, 1080), false);
    fake.foreground = fake.windows[middle].handle;
}

void BM_FindSynthetic(benchmark::State &state)
{
    fillDesktop(FakeBackend::install(), int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SlideFinder::find({}));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindSynthetic)->Arg(10)->Arg(100)->Arg(1000);

void BM_ProbeAllSynthetic(benchmark::State &state)
{
    fillDesktop(FakeBackend::install(), int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SlideFinder::probeAll({}, 15));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ProbeAllSynthetic)->Arg(10)->Arg(100)->Arg(1000);

// A private display with a window manager managing kRealWindows plain windows; null when X is
// missing.
const PrivateDisplay *realDesktop()
{
    static PrivateDisplay display(false, "1920x1080x24");
    static bool filled = false;
    if (!display.isUp())
        return nullptr;
    if (!filled) {
        filled = true;
        for (int i = 0; i < kRealWindows; ++i)
            display.createWindow("Window " + QByteArray::number(i), QRect(10 * i, 5 * i, 640, 480));
        display.sync();
        // Adopted at the window manager's start, they are listed as soon as it runs.
        const auto probe = win::makeX11Backend(display.name());
        if (!probe || !display.startWindowManager())
            return nullptr;
        for (int i = 0; i < 400 && probe->enumTopLevelWindows().size() < kRealWindows; ++i)
            QThread::msleep(25);
    }
    return &display;
}

// Runs the body with the X11 backend of the real desktop installed.
template <typename Body> void onRealDesktop(benchmark::State &state, Body body)
{
    const PrivateDisplay *display = realDesktop();
    auto backend = display ? win::makeX11Backend(display->name()) : nullptr;
    if (!backend) {
        state.SkipWithError("no private X display");
        return;
    }
    auto previous = win::setBackend(std::move(backend));
    state.counters["windows"] = double(win::enumTopLevelWindows().size());
    for (auto _ : state)
        body();
    win::setBackend(std::move(previous));
}

void BM_EnumerateRealWindows(benchmark::State &state)
{
    onRealDesktop(state, [] { benchmark::DoNotOptimize(win::enumTopLevelWindows()); });
}
BENCHMARK(BM_EnumerateRealWindows)->Unit(benchmark::kMillisecond);

void BM_FindRealWindows(benchmark::State &state)
{
    onRealDesktop(state, [] { benchmark::DoNotOptimize(SlideFinder::find({})); });
}
BENCHMARK(BM_FindRealWindows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the private display's processes need one
    return bench::run(argc, argv);
}
