// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"
#include "platform/x11/DesktopIdle.h"
#include "platform/x11/Session.h"
#include "platform/x11/SwayPlacement.h"

namespace platform::x11 {

// The window list of an X server: the root's viewable children front to back, each frame
// standing for the client inside it. The root background stands as the desktop window.
class X11WindowServer final : public WindowServer {
  public:
    // The desktop picture of screen i stands as window kDesktopWindowBase + i: X resource ids
    // never reach this range.
    static constexpr std::uint32_t kDesktopWindowBase = 0xE0000000;

    explicit X11WindowServer(Session& session);

    std::optional<std::vector<ScreenWindow>> onScreenWindows() override;
    std::vector<ScreenWindow> desktopWindows() override;
    std::optional<QImage> windowImage(WindowId id) override;
    bool screenCaptureAllowed() override { return true; }
    void requestScreenCapture() override {}
    double secondsSinceLastInput() override;
    void keepOnFloatingLevel(std::uint64_t nativeWindow) override;
    CoverStacking coverStacking() override { return s_.coverStacking; }
    void stackAbove(std::uint64_t nativeWindow, WindowId target, const Rect& frame) override;
    void release(std::uint64_t nativeWindow) override;
    void setBackground(std::uint64_t nativeWindow, std::optional<std::uint32_t> rgb) override;
    void flush() override;
    void onWindowsChanged(std::function<void()> handler) override;

    // The level a root child stands at; `c` is the client it frames, if any.
    static std::int64_t layerOf(const TopLevel& t, const Client* c, const Atoms& a,
                                const std::set<std::uint64_t>& floating);

  private:
    std::optional<QImage> desktopPicture(std::size_t screen);
    std::optional<Rect> placeOnRoot(std::uint64_t nativeWindow);

    Session& s_;
    SwayPlacement sway_;
    DesktopIdle desktopIdle_;
};

}  // namespace platform::x11
