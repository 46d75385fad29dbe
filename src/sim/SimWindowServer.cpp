// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimWindowServer.h"

#include <algorithm>

namespace platform::sim {

std::vector<const SimWindow*> SimWindowServer::ordered() const {
    std::vector<const SimWindow*> out;
    for (std::uint32_t n : m_.stacking) {
        auto it = m_.windows.find(n);
        if (it == m_.windows.end()) {
            continue;
        }
        const SimWindow& w = it->second;
        const bool running = std::any_of(m_.apps.begin(), m_.apps.end(), [&](const SimApp& a) {
            return a.pid == w.pid && a.running;
        });
        if (running || w.pid == m_.ownPid) {
            out.push_back(&w);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const SimWindow* a, const SimWindow* b) { return a->layer > b->layer; });
    return out;
}

std::optional<std::vector<ScreenWindow>> SimWindowServer::onScreenWindows() {
    if (m_.windowListFails) {
        return std::nullopt;
    }
    std::vector<ScreenWindow> list;
    for (const SimWindow* w : ordered()) {
        if (w->onScreen && !w->minimized && !w->desktop) {
            list.push_back({w->number, w->pid, w->layer, w->frame});
        }
    }
    return list;
}

std::vector<ScreenWindow> SimWindowServer::desktopWindows() {
    std::vector<ScreenWindow> list;
    for (const SimWindow* w : ordered()) {
        if (w->desktop) {
            list.push_back({w->number, w->pid, level::kDesktop, w->frame});
        }
    }
    return list;
}

std::optional<QImage> SimWindowServer::windowImage(WindowId id) {
    auto it = m_.windows.find(id);
    if (it == m_.windows.end() || !it->second.image || !m_.screenCaptureAllowed) {
        return std::nullopt;
    }
    return it->second.image;
}

}  // namespace platform::sim
