// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/WindowTypes.h"

// A protected application's windows as the platform reports them. Every call asks afresh and
// returns a snapshot; failures are silent and give empty or absent results.

// One window of a protected application; its frame is in desktop coordinates.
struct KWindow : platform::AppWindow {
    // The protected application it belongs to, as the settings list it; empty for the
    // messenger.
    std::string app;
    friend bool operator==(const KWindow&, const KWindow&) = default;
};

namespace AX {

// The application's titled windows, in its own order (front-most first).
std::vector<KWindow> windows(std::int32_t pid);
// The number of the application's focused window; absent when none or when it is 0.
std::optional<std::uint32_t> focusedWindowID(std::int32_t pid);

}  // namespace AX
