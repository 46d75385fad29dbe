// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11AppWindows.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

constexpr std::uint32_t kIconicState = 3;

// X positions and sizes are 16-bit: anything further out is clamped to the edge of the range.
std::uint32_t clamped(double v, std::int64_t low) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(
        std::clamp<std::int64_t>(platform::truncatedInt(std::round(v)), low, 32767)));
}

}  // namespace

// Windows can be read whenever the display can: with no window manager the mapped windows on
// the root are read as they are, so chats stay covered while a manager restarts or is missing.
bool X11AppWindows::readable(bool) {
    return s_.connection() != nullptr;
}

std::vector<const Client*> X11AppWindows::clientsOf(const Snapshot& s, std::int32_t pid) {
    std::vector<const Client*> out;
    for (auto it = s.clients.rbegin(); it != s.clients.rend(); ++it) {
        if (it->pid == pid) {
            out.push_back(&*it);
        }
    }
    return out;
}

std::vector<AppWindow> X11AppWindows::windowsOf(std::int32_t pid) {
    std::vector<AppWindow> out;
    if (!readable(false)) {
        return out;
    }
    for (const Client* c : clientsOf(s_.snapshot(), pid)) {
        out.push_back({.id = c->id,
                       .pid = c->pid,
                       .title = c->title,
                       .frame = s_.toDesktop(c->frame),
                       .role = roleOf(*c),
                       .minimized = has(c->states, s_.atoms().stateHidden)});
    }
    return out;
}

std::optional<WindowId> X11AppWindows::focusedWindow(std::int32_t pid) {
    if (!readable(false)) {
        return std::nullopt;
    }
    const Snapshot& s = s_.snapshot();
    const Client* active = s.client(s.active);
    if (active && active->pid == pid) {
        return active->id;
    }
    const auto clients = clientsOf(s, pid);
    if (clients.empty()) {
        return std::nullopt;
    }
    return clients.front()->id;
}

WindowRole X11AppWindows::roleOf(const Client& c) const {
    const Atoms& a = s_.atoms();
    if (c.types.empty()) {
        return c.transient ? WindowRole::Dialog : WindowRole::Standard;
    }
    const xcb_atom_t t = c.types.front();
    if (t == a.typeNormal) {
        return WindowRole::Standard;
    }
    if (t == a.typeDialog) {
        return WindowRole::Dialog;
    }
    return WindowRole::Other;
}

std::optional<Client> X11AppWindows::live(const WindowRef& window) {
    if (!readable(false)) {
        return std::nullopt;
    }
    const Client* c = s_.snapshot().client(static_cast<xcb_window_t>(window.id));
    if (!c || c->pid != window.pid) {
        return std::nullopt;
    }
    return *c;
}

std::optional<Rect> X11AppWindows::frameOf(const WindowRef& window) {
    const auto c = live(window);
    if (!c) {
        return std::nullopt;
    }
    return s_.toDesktop(c->frame);
}

template <class Send>
bool X11AppWindows::request(const WindowRef& window, Send send) {
    const auto c = live(window);
    if (!c) {
        return false;
    }
    send(*c);
    sent();
    return true;
}

bool X11AppWindows::move(const WindowRef& window, Point topLeft) {
    return request(window, [&](const Client& c) { moveResize(c, topLeft, std::nullopt); });
}

bool X11AppWindows::setFrame(const WindowRef& window, const Rect& frame) {
    return request(window, [&](const Client& c) {
        moveResize(c, Point{frame.x, frame.y}, Size{frame.width, frame.height});
    });
}

// Gravity NorthWest places the frame's top-left corner; sizes are the client's own, so the
// decorations are taken off.
void X11AppWindows::moveResize(const Client& c, const std::optional<Point>& topLeft,
                               const std::optional<Size>& size) {
    std::uint32_t flags = 1 /* NorthWest */ | (kSourcePager << 12);
    std::uint32_t x = 0, y = 0, w = 0, h = 0;
    if (topLeft) {
        const Point root = s_.toRoot(*topLeft);
        x = clamped(root.x, -32768);
        y = clamped(root.y, -32768);
        flags |= (1u << 8) | (1u << 9);
    }
    if (size) {
        // Sizes are logical; the window manager counts device pixels.
        const double ratio = s_.deviceRatioAt(c.frame);
        const Size d = decorations(c);
        w = clamped(size->width * ratio - d.width, 1);
        h = clamped(size->height * ratio - d.height, 1);
        flags |= (1u << 10) | (1u << 11);
    }
    sendRootMessage(s_.connection(), s_.root(), c.id, s_.atoms().netMoveresizeWindow, flags, x, y,
                    w, h);
}

bool X11AppWindows::minimize(const WindowRef& window) {
    return request(window, [&](const Client& c) {
        sendRootMessage(s_.connection(), s_.root(), c.id, s_.atoms().wmChangeState, kIconicState);
    });
}

bool X11AppWindows::close(const WindowRef& window) {
    return request(window, [&](const Client& c) {
        sendRootMessage(s_.connection(), s_.root(), c.id, s_.atoms().netCloseWindow,
                        XCB_CURRENT_TIME, kSourcePager);
    });
}

bool X11AppWindows::raise(const WindowRef& window) {
    return request(window, [&](const Client& c) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(s_.connection(), c.id, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    });
}

bool X11AppWindows::activate(const WindowRef& window) {
    const auto c = live(window);
    if (!c) {
        return false;
    }
    activateWindow(c->id);
    return true;
}

// What the window manager's frame adds to the client's size; asked only when a size is set.
Size X11AppWindows::decorations(const Client& c) {
    xcb_connection_t* conn = s_.connection();
    const auto e =
        cardinals(collectProperty(conn, requestProperty(conn, c.id, s_.atoms().netFrameExtents)),
                  XCB_ATOM_CARDINAL);
    if (!e || e->size() != 4) {
        return {};
    }
    return {static_cast<double>((*e)[0] + (*e)[1]), static_cast<double>((*e)[2] + (*e)[3])};
}

void X11AppWindows::activateWindow(xcb_window_t w) {
    s_.lastActivation = Session::Activation{w, std::chrono::steady_clock::now()};
    sendRootMessage(s_.connection(), s_.root(), w, s_.atoms().netActiveWindow, kSourcePager,
                    XCB_CURRENT_TIME, 0);
    sent();
}

void X11AppWindows::sent() {
    s_.invalidate();
    xcb_flush(s_.connection());
}

}  // namespace platform::x11
