// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include "engine/WindowTracker.h"
#include "sim/SimScenarios.h"
#include "switcher/ChatSwitcher.h"

using namespace platform::sim;

namespace {

// One full tick with 20 chat windows among 100 on-screen windows: decisions, holes, every
// cover's sync and the switcher's list, bar and badges. Painting is not part of it (the event
// loop does not run).
void TickSteadyCovered(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 19, .otherWindows = 80, .focusFirstChat = true});
    desktop.setFrontmost(700);  // another application in front: every chat covered
    WindowTracker tracker;
    new ChatSwitcher(tracker);  // a child of the tracker
    tracker.tick();
    for (auto _ : state) {
        tracker.tick();
    }
    state.counters["covers"] = static_cast<double>(tracker.coverCount());
}
BENCHMARK(TickSteadyCovered)->Unit(benchmark::kMicrosecond);

// The same with the messenger in front and one chat revealed, so covers carry a hole.
void TickWithRevealedChat(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 19, .otherWindows = 80, .focusFirstChat = true});
    WindowTracker tracker;
    new ChatSwitcher(tracker);
    tracker.tick();
    for (auto _ : state) {
        tracker.tick();
    }
}
BENCHMARK(TickWithRevealedChat)->Unit(benchmark::kMicrosecond);

// The switcher's share of a steady tick with 20 chats: the list, the labels, the bar's content
// and the badges, with nothing changed since the last tick.
void SwitcherUpdate(benchmark::State& state) {
    SimDesktop& desktop = SimDesktop::installFresh();
    addMessenger(desktop, {.chats = 19, .otherWindows = 80, .focusFirstChat = true});
    desktop.setFrontmost(700);
    WindowTracker tracker;
    auto* switcher = new ChatSwitcher(tracker);
    std::vector<KWindow> chats;
    QObject::connect(&tracker, &WindowTracker::chatsChanged,
                     [&chats](const std::vector<KWindow>& found, auto) { chats = found; });
    tracker.tick();
    for (auto _ : state) {
        switcher->updateSwitcher(chats, tracker.chatInUse());
    }
    state.counters["slots"] = static_cast<double>(switcher->switchList.size());
}
BENCHMARK(SwitcherUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace
