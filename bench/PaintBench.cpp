// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "cover/CoverPainter.h"
#include "cover/CoverView.h"
#include "engine/WindowTracker.h"
#include "sim/SimScenarios.h"

using namespace platform::sim;

namespace {

CoverPainter::Scene sceneOf(const CoverView& view) {
    return view.scene();
}

// One paint pass of a 420 x 560 notepad cover: title bar, default memo, checkboxes.
void PaintMemoCover(benchmark::State& state) {
    SimDesktop::installFresh();
    CoverView view;
    view.resize(420, 560);
    const CoverPainter::Scene scene = sceneOf(view);
    QImage image(420, 560, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        benchmark::DoNotOptimize(CoverPainter::paint(p, scene));
    }
}
BENCHMARK(PaintMemoCover)->Unit(benchmark::kMicrosecond);

// One paint pass of a wallpaper cover of the same size, the desktop picture already captured.
void PaintWallpaperCover(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    desktop.addApp(1, "desktop", "Desktop");
    SimWindow picture;
    picture.number = 2;
    picture.pid = 1;
    picture.frame = {0, 0, 1440, 900};
    picture.desktop = true;
    QImage image(1440, 900, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    picture.image = image;
    desktop.addWindow(picture);
    CoverView view;
    view.resize(456, 596);
    view.setContent(DisguiseMode::wallpaper, {402, 262, 456, 596}, {});
    const CoverPainter::Scene scene = sceneOf(view);
    QImage target(456, 596, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&target);
        benchmark::DoNotOptimize(CoverPainter::paint(p, scene));
    }
}
BENCHMARK(PaintWallpaperCover)->Unit(benchmark::kMicrosecond);

// Repaints an unchanged covered chat asks for, per second of ticking (goal: none).
void PaintRepaintsOfUnchangedCover(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 1, .otherWindows = 1});
    desktop.setFrontmost(700);
    WindowTracker tracker;
    tracker.tick();
    CoverView& view = *tracker.coverOf(1001)->cover;
    const int before = view.repaintRequests();
    int ticks = 0;
    for (auto _ : state) {
        tracker.tick();
        ++ticks;
    }
    const double seconds = ticks * WindowTracker::kTickMilliseconds / 1000.0;
    state.counters["repaintsPerSecond"] = (view.repaintRequests() - before) / seconds;
}
BENCHMARK(PaintRepaintsOfUnchangedCover)->Iterations(1000);

}  // namespace
