// How long a picture of a full-screen window holds the GUI thread on X11, at 1080p and 4K, through
// shared memory and over the socket (as a remote server would be read), on a private Xvfb without
// a window manager. Leaves out the saving of the picture.
#include "Bench.h"
#include "PrivateDisplayX11.h"
#include "platform/x11/CaptureX11.h"
#include "platform/x11/WindowQueryX11.h"

#include <QCoreApplication>
#include <QImage>

namespace
{

void BM_CaptureFullScreenWindow(benchmark::State &state)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    const QByteArray screen =
        QByteArray::number(size.width()) + "x" + QByteArray::number(size.height()) + "x24";
    PrivateDisplay display(false, screen);
    const xcb_window_t show = x11::toWindow(display.createWindow("show", QRect(QPoint(), size)));
    display.sync();
    const x11::Connection c(display.name());
    if (!display.isUp() || !c.isOpen()) {
        state.SkipWithError("no private X display");
        return;
    }
    x11::WindowCapture capture(c, state.range(2) != 0);
    capture.prepare(show);
    for (auto _ : state) {
        if (capture.capture(show).size() != size) {
            state.SkipWithError("no picture");
            break;
        }
    }
}
// Arguments: width, height, shared memory.
BENCHMARK(BM_CaptureFullScreenWindow)
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the private display's processes need one
    return bench::run(argc, argv);
}
