// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include <benchmark/benchmark.h>
#include <QApplication>

// Covers are real widgets, so an application object is needed; they draw offscreen.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The offscreen platform reports every raise and mask it cannot do; the figures matter here.
    setenv("QT_LOGGING_RULES", "default.warning=false", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
