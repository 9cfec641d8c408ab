// How long a picture of a full-screen window holds the GUI thread on X11, at 1080p and 4K, on a
// private Xvfb without a window manager. Leaves out the saving of the picture.
#include "PrivateDisplayX11.h"
#include "platform/x11/X11Backend.h"

#include <QCoreApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace
{

void BM_CaptureFullScreenWindow(benchmark::State &state)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    const QByteArray screen =
        QByteArray::number(size.width()) + "x" + QByteArray::number(size.height()) + "x24";
    PrivateDisplay display(false, screen);
    const win::Handle show = display.createWindow("show", QRect(QPoint(), size));
    display.sync();
    auto backend = display.isUp() ? win::makeX11Backend(display.name()) : nullptr;
    if (!backend) {
        state.SkipWithError("no private X display");
        return;
    }
    backend->prepareCapture(show);
    for (auto _ : state) {
        const QImage picture = backend->captureWindow(show);
        if (picture.size() != size) {
            state.SkipWithError("no picture");
            break;
        }
    }
}
BENCHMARK(BM_CaptureFullScreenWindow)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the private display's processes need one
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
