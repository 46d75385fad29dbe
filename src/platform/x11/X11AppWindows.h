// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppWindows.h"
#include "platform/x11/Session.h"

namespace platform::x11 {

// Applications' windows on an EWMH desktop: an application's windows are its managed clients,
// described by their properties and the window manager's frames; requests become the window
// manager messages a pager would send.
class X11AppWindows final : public AppWindows {
  public:
    explicit X11AppWindows(Session& session) : s_(session) {}

    bool readable(bool ask) override;
    std::vector<AppWindow> windowsOf(std::int32_t pid) override;
    std::optional<WindowId> focusedWindow(std::int32_t pid) override;
    std::optional<Rect> frameOf(const WindowRef& window) override;
    bool move(const WindowRef& window, Point topLeft) override;
    bool setFrame(const WindowRef& window, const Rect& frame) override;
    bool minimize(const WindowRef& window) override;
    bool close(const WindowRef& window) override;
    bool raise(const WindowRef& window) override;
    bool activate(const WindowRef& window) override;

    // The application's clients, front-most first.
    static std::vector<const Client*> clientsOf(const Snapshot& s, std::int32_t pid);
    // Make a window the active one, as a pager would.
    void activateWindow(xcb_window_t w);
    WindowRole roleOf(const Client& c) const;

  private:
    // The client named, copied: a request invalidates the snapshot it came from.
    std::optional<Client> live(const WindowRef& window);
    void moveResize(const Client& c, const std::optional<Point>& topLeft,
                    const std::optional<Size>& size);
    Size decorations(const Client& c);
    // Sends what `send` asks of the named window's client, when it is there; the next query
    // then polls afresh, and the request leaves now.
    template <class Send>
    bool request(const WindowRef& window, Send send);
    void sent();

    Session& s_;
};

}  // namespace platform::x11
