#include <benchmark/benchmark.h>

#include "engine/WindowTracker.h"
#include "platform/sim/SimScenarios.h"

using namespace platform::sim;

namespace {

// One full tick with 20 chat windows among 100 on-screen windows: decisions, holes and every
// cover's sync. Painting is not part of it (the event loop does not run).
void TickSteadyCovered(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 19, .otherWindows = 80, .focusFirstChat = true});
    desktop.setFrontmost(700);  // another application in front: every chat covered
    WindowTracker tracker;
    tracker.tick();
    for (auto _ : state) {
        tracker.tick();
    }
    state.counters["covers"] = static_cast<double>(tracker.covers.size());
}
BENCHMARK(TickSteadyCovered)->Unit(benchmark::kMicrosecond);

// The same with the messenger in front and one chat revealed, so covers carry a hole.
void TickWithRevealedChat(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 19, .otherWindows = 80, .focusFirstChat = true});
    WindowTracker tracker;
    tracker.tick();
    for (auto _ : state) {
        tracker.tick();
    }
}
BENCHMARK(TickWithRevealedChat)->Unit(benchmark::kMicrosecond);

}  // namespace
