// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimModel.h"

#include <algorithm>

namespace platform::sim {

SimApp* SimModel::app(std::int32_t pid) {
    for (auto& a : apps) {
        if (a.pid == pid && a.running) {
            return &a;
        }
    }
    return nullptr;
}

void SimModel::endApp(std::int32_t pid) {
    if (SimApp* a = app(pid)) {
        a->running = false;
    }
    std::erase_if(windows, [&](const auto& kv) { return kv.second.pid == pid; });
    std::erase_if(stacking, [&](std::uint32_t n) { return !windows.contains(n); });
    if (frontmostPid == pid) {
        frontmostPid.reset();
    }
    ++generation;
}

SimWindow* SimModel::window(std::uint32_t number) {
    auto it = windows.find(number);
    return it == windows.end() ? nullptr : &it->second;
}

std::string describe(const WindowRef& w) {
    return "window " + std::to_string(w.id);
}

}  // namespace platform::sim
