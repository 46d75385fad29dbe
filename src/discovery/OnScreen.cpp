// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/OnScreen.h"

#include <algorithm>

#include "platform/Platform.h"

namespace Discovery {

std::optional<platform::RunningApp> kakaoApp() {
    auto apps = platform::current().workspace().runningApplications(kMessengerIdentifier);
    if (apps.empty()) {
        return std::nullopt;
    }
    return apps.front();
}

std::vector<OnScreenWin> onScreenWindows() {
    return platform::current().windowServer().onScreenWindows().value_or(
        std::vector<OnScreenWin>{});
}

std::unordered_map<std::uint32_t, int> frontIndexMap(const std::vector<OnScreenWin>& onScreen) {
    std::unordered_map<std::uint32_t, int> map;
    map.reserve(onScreen.size());
    int position = 0;
    for (const OnScreenWin& e : onScreen) {
        map.emplace(e.id, position++);
    }
    return map;
}

bool isOccluded(const KWindow& w, const std::vector<OnScreenWin>& snapshot) {
    const auto self = std::find_if(snapshot.begin(), snapshot.end(),
                                   [&](const OnScreenWin& e) { return e.id == w.id; });
    if (self == snapshot.end() || self == snapshot.begin()) {
        return false;
    }
    const std::int32_t own = platform::current().workspace().ownPid();
    const double threshold = 0.9 * std::max(w.frame.area(), 1.0);
    for (auto e = snapshot.begin(); e != self; ++e) {
        if (e->pid == own || e->pid == w.pid || e->layer != platform::level::kNormal) {
            continue;
        }
        const platform::Rect overlap = e->frame.intersected(w.frame);
        if (!overlap.isNull() && overlap.area() >= threshold) {
            return true;
        }
    }
    return false;
}

}  // namespace Discovery
