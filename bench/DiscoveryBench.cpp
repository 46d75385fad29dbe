// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include "discovery/AX.h"
#include "discovery/OnScreen.h"
#include "sim/SimScenarios.h"

using namespace platform::sim;

namespace {

// 20 chat windows (the main window and 19 chats) among 100 on-screen windows.
SimDesktop& busyDesktop() {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 19, .otherWindows = 80, .focusFirstChat = true});
    return desktop;
}

int discoveryPass() {
    const auto app = Discovery::kakaoApp();
    const auto wins = AX::windows(app->pid);
    const auto focused = AX::focusedWindowID(app->pid);
    const auto snapshot = Discovery::onScreenWindows();
    const auto front = Discovery::frontIndexMap(snapshot);
    int occluded = 0;
    for (const KWindow& w : wins) {
        occluded += Discovery::isOccluded(w, snapshot) ? 1 : 0;
    }
    benchmark::DoNotOptimize(focused);
    benchmark::DoNotOptimize(front);
    return occluded + static_cast<int>(wins.size());
}

// Windows, focused window, snapshot, front map and occlusion of each chat on a desktop that
// stands still between passes.
void DiscoveryPass(benchmark::State& state) {
    busyDesktop();
    for (auto _ : state) {
        benchmark::DoNotOptimize(discoveryPass());
    }
}
BENCHMARK(DiscoveryPass)->Unit(benchmark::kMicrosecond);

}  // namespace
