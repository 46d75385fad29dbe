// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/WindowTypes.h"

namespace platform {

// Other applications' windows: read them and ask for what a user could do to them. Every
// request may be ignored by the window system; it returns false only when the window named is
// not (or no longer) there.
class AppWindows {
  public:
    virtual ~AppWindows() = default;

    // Whether other programs' windows can be read at all; with `ask` the system may ask the
    // user for the permission.
    virtual bool readable(bool ask) = 0;
    // The application's windows, front-most first; empty when there are none to read.
    virtual std::vector<AppWindow> windowsOf(std::int32_t pid) = 0;
    // The application's focused window: its active one, else the one it last raised.
    virtual std::optional<WindowId> focusedWindow(std::int32_t pid) = 0;
    // One window's frame as it is now.
    virtual std::optional<Rect> frameOf(const WindowRef& window) = 0;

    // Moves the top-left corner of the window's frame.
    virtual bool move(const WindowRef& window, Point topLeft) = 0;
    // Moves and resizes the frame in one request.
    virtual bool setFrame(const WindowRef& window, const Rect& frame) = 0;
    virtual bool minimize(const WindowRef& window) = 0;
    // Asks the window to close, as its close button would.
    virtual bool close(const WindowRef& window) = 0;
    // Brings it in front of its application's other windows.
    virtual bool raise(const WindowRef& window) = 0;
    // Makes it the window that takes keyboard input, restoring it when minimized.
    virtual bool activate(const WindowRef& window) = 0;
};

}  // namespace platform
