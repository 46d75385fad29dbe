// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "platform/Geometry.h"

// Other programs' windows as the backends describe them. Every frame is in desktop
// coordinates: logical pixels, y down, origin at the primary screen's top-left corner.

namespace platform {

using WindowId = std::uint32_t;

// Names one window of one process. A window id the server has since handed to another
// program's window no longer matches, so a request made with a stale name acts on nothing.
struct WindowRef {
    std::int32_t pid = 0;
    WindowId id = 0;
    friend bool operator==(const WindowRef&, const WindowRef&) = default;
};

enum class WindowRole : std::uint8_t { Standard, Dialog, Other };

// One window of an application.
struct AppWindow {
    WindowId id = 0;
    std::int32_t pid = 0;  // the process that owns it
    std::string title;     // UTF-8; may be empty
    Rect frame;            // decorations included
    WindowRole role = WindowRole::Standard;
    bool minimized = false;

    WindowRef ref() const { return {pid, id}; }
    friend bool operator==(const AppWindow&, const AppWindow&) = default;
};

// Stacking levels of on-screen windows. Ordinary application windows stand at 0.
namespace level {
inline constexpr std::int64_t kDesktop = -2147483623;  // the desktop picture, below everything
inline constexpr std::int64_t kNormal = 0;
inline constexpr std::int64_t kFloating = 3;
inline constexpr std::int64_t kDock = 20;
inline constexpr std::int64_t kPopup = 101;
}  // namespace level

// One window as the stacking shows it.
struct ScreenWindow {
    WindowId id = 0;
    std::int32_t pid = 0;  // 0: unknown
    std::int64_t layer = level::kNormal;
    Rect frame;
    friend bool operator==(const ScreenWindow&, const ScreenWindow&) = default;
};

// Short names for logs.
const char* roleName(WindowRole role);

// Applications are named by their windows' class, which X compares without regard to the case
// of ASCII letters: the name in that one case, and whether two names are the same.
std::string foldedAppName(std::string name);
bool sameAppName(const std::string& a, const std::string& b);

}  // namespace platform
