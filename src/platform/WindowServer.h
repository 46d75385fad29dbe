// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QImage>

#include "platform/CoverStacking.h"
#include "platform/WindowTypes.h"

namespace platform {

// The window server's view of all windows, images of windows, and user activity.
class WindowServer {
  public:
    virtual ~WindowServer() = default;

    // The windows on screen, front-most first, the desktop picture left out; absent when the
    // server cannot answer.
    virtual std::optional<std::vector<ScreenWindow>> onScreenWindows() = 0;
    // The windows that show the desktop picture (at level::kDesktop), whether on screen or not.
    virtual std::vector<ScreenWindow> desktopWindows() = 0;
    // An image of one window alone, without its frame decoration; absent on failure.
    virtual std::optional<QImage> windowImage(WindowId id) = 0;

    // Screen-capture permission: check without asking, and ask (the answer is not awaited).
    virtual bool screenCaptureAllowed() = 0;
    virtual void requestScreenCapture() = 0;

    // Seconds since the last user input of any kind.
    virtual double secondsSinceLastInput() = 0;

    // Keep one of the program's own windows (by native id) at the floating level: above every
    // ordinary window, put back on top whenever another window comes above it.
    virtual void keepOnFloatingLevel(std::uint64_t nativeWindow) = 0;
    // How this session's covers stay over their chats; settled when the platform starts.
    virtual CoverStacking coverStacking() = 0;
    // Keeps one of the program's own windows directly above `target` in the stacking, out of
    // task bars and pagers, at `frame` where the manager places windows itself whatever they
    // ask. Call it before the window is first shown, after each showing and after each move.
    virtual void stackAbove(std::uint64_t nativeWindow, WindowId target, const Rect& frame) = 0;
    // Ends what either of the two above began, for a window about to go.
    virtual void release(std::uint64_t nativeWindow) = 0;
    // What one of the program's own windows shows where it has not painted yet (just mapped
    // or enlarged): a plain colour (0xRRGGBB), or, when absent, the desktop picture beneath.
    virtual void setBackground(std::uint64_t nativeWindow, std::optional<std::uint32_t> rgb) = 0;
    // Send pending window changes (shape, opacity, stacking) to the display now.
    virtual void flush() = 0;

    // Calls `handler` on the main thread, soon after any change to the windows that the window
    // list or the application windows may show (a window mapped, moved, restacked, retitled;
    // the active window). Replaces the previous handler; an empty one stops the calls.
    virtual void onWindowsChanged(std::function<void()> handler) = 0;
};

}  // namespace platform
