// The cost of the tray mode's two loops while a real Impress show is followed: one tracking tick
// (the validity checks of the followed show) and one stacking tick (the raises). X display only.
#include "Bench.h"
#include "app/TrayMode.h"

#include <QApplication>

#include <memory>

namespace
{

std::unique_ptr<TrayMode> g_tray;

void BM_TrackingTickAttached(benchmark::State &state)
{
    for (auto _ : state)
        g_tray->trackingTick();
}

void BM_StackingTick(benchmark::State &state)
{
    for (auto _ : state)
        g_tray->stackingTick();
}

BENCHMARK(BM_TrackingTickAttached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StackingTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ImpressShow show({"#20a020", "#2040d0"});
    if (!bench::startShow(show))
        return 1;
    g_tray = std::make_unique<TrayMode>(false);
    if (g_tray->currentTarget() != show.showWindow()) {
        fprintf(stderr, "the show was not followed\n");
        return 1;
    }
    const int result = bench::run(argc, argv);
    g_tray.reset();
    return result;
}
