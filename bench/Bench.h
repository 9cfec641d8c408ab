// What the benchmarks share: running the registered cases, and a real show to run them over.
// Leaves each benchmark's own set-up to it.
#pragma once

#include "ImpressShow.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace bench
{

// Runs the cases asked for on the command line; the application object is the caller's.
inline int run(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Starts the show, or says why it cannot be had.
inline bool startShow(ImpressShow &show)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb") && show.start())
        return true;
    std::fprintf(stderr, "needs an X display and LibreOffice (run through with-xvfb.sh)\n");
    return false;
}

} // namespace bench
