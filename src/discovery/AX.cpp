// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/AX.h"

#include "platform/Platform.h"

namespace AX {

std::vector<KWindow> windows(std::int32_t pid) {
    std::vector<KWindow> out;
    for (platform::AppWindow& w : platform::current().appWindows().windowsOf(pid)) {
        // An untitled window is no chat, nor anything a user could pick.
        if (!w.title.empty()) {
            out.push_back({std::move(w), {}});
        }
    }
    return out;
}

std::optional<std::uint32_t> focusedWindowID(std::int32_t pid) {
    const auto focused = platform::current().appWindows().focusedWindow(pid);
    if (!focused || *focused == 0) {
        return std::nullopt;
    }
    return focused;
}

}  // namespace AX
