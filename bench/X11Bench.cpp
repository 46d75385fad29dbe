// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <QGuiApplication>

#include "discovery/AX.h"
#include "discovery/OnScreen.h"
#include "platform/Platform.h"
#include "platform/x11/Atoms.h"
#include "platform/x11/Snapshot.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/Xcb.h"

// Poll cost on a real X server (run with QT_QPA_PLATFORM=xcb and a window manager, as
// bench/x11-measure.py does). Each benchmark opens N messenger chat windows of its own.

namespace {

using namespace platform::x11;

class ChatWindows {
  public:
    explicit ChatWindows(int n) : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const auto a = internAtoms(c_, {"_NET_WM_NAME", "UTF8_STRING", "_NET_CLIENT_LIST"});
        for (int i = 0; i < n; ++i) {
            const xcb_window_t w = xcb_generate_id(c_);
            xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 20 + (i % 10) * 40,
                              40 + (i / 10) * 30, 400, 300, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                              XCB_COPY_FROM_PARENT, 0, nullptr);
            const std::string title = "채팅 " + std::to_string(i + 1);
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, a[0], a[1], 8, title.size(),
                                title.data());
            const char cls[] = "com.kakao.KakaoTalkMac\0com.kakao.KakaoTalkMac";
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                sizeof cls, cls);
            xcb_map_window(c_, w);
            windows_.push_back(w);
        }
        xcb_flush(c_);
        // Wait until the window manager has taken them all in.
        for (int tries = 0; tries < 200; ++tries) {
            const auto list = cardinals(
                collectProperty(c_, requestProperty(c_, root_, a[2], 65536)), XCB_ATOM_WINDOW);
            if (list && list->size() >= static_cast<std::size_t>(n)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~ChatWindows() { xcb_disconnect(c_); }
    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return root_; }

  private:
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    std::vector<xcb_window_t> windows_;
};

bool onX11(benchmark::State& state) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display (QT_QPA_PLATFORM=xcb)");
        return false;
    }
    return true;
}

// One poll of the windows: the round trips stay the same whatever the window count. `readAll`:
// every window's place, mapping, title and state read afresh (the first poll, and the periodic
// full read); otherwise a poll after nothing changed, which reads only the root.
void pollWindows(benchmark::State& state, bool readAll) {
    if (!onX11(state)) {
        return;
    }
    ChatWindows chats(static_cast<int>(state.range(0)));
    const Atoms atoms = Atoms::intern(chats.connection());
    int roundTrips = 0;
    FactCache cache;  // warm after the first poll, as in the running program
    for (auto _ : state) {
        if (readAll) {
            cache.seen.clear();
        }
        const Snapshot s = Snapshot::take(chats.connection(), chats.root(), atoms, cache);
        roundTrips = s.roundTrips;
        benchmark::DoNotOptimize(s.clients.size());
    }
    state.counters["roundTrips"] = roundTrips;
}
void DiscoveryX11Snapshot(benchmark::State& state) {
    pollWindows(state, true);
}
void DiscoveryX11QuietPoll(benchmark::State& state) {
    pollWindows(state, false);
}
BENCHMARK(DiscoveryX11Snapshot)->Arg(5)->Arg(20)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(DiscoveryX11QuietPoll)->Arg(5)->Arg(20)->Arg(50)->Unit(benchmark::kMicrosecond);

// A whole discovery pass through the program's own code on a fresh poll, as one tick makes it.
void DiscoveryX11Pass(benchmark::State& state) {
    if (!onX11(state)) {
        return;
    }
    ChatWindows chats(static_cast<int>(state.range(0)));
    platform::install(platform::x11::createPlatform());
    for (auto _ : state) {
        state.PauseTiming();
        // Let the previous poll expire, so every pass asks the server afresh.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        state.ResumeTiming();
        const auto app = Discovery::kakaoApp();
        const auto wins = AX::windows(app ? app->pid : 0);
        benchmark::DoNotOptimize(AX::focusedWindowID(app ? app->pid : 0));
        const auto snapshot = Discovery::onScreenWindows();
        benchmark::DoNotOptimize(Discovery::frontIndexMap(snapshot));
        for (const KWindow& w : wins) {
            benchmark::DoNotOptimize(Discovery::isOccluded(w, snapshot));
        }
        state.counters["windows"] = static_cast<double>(wins.size());
    }
}
BENCHMARK(DiscoveryX11Pass)
    ->Arg(5)
    ->Arg(20)
    ->Arg(50)
    ->Iterations(60)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
