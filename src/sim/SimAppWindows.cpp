// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimAppWindows.h"

#include <algorithm>
#include <sstream>

namespace platform::sim {

namespace {

std::string text(const Rect& r) {
    std::ostringstream out;
    out << '(' << r.x << ',' << r.y << ',' << r.width << ',' << r.height << ')';
    return out.str();
}

std::string text(const Point& p) {
    std::ostringstream out;
    out << '(' << p.x << ',' << p.y << ')';
    return out.str();
}

}  // namespace

bool SimAppWindows::readable(bool ask) {
    if (ask && !m_.windowsReadable) {
        m_.note("accessibility prompt");
    }
    return m_.windowsReadable;
}

std::vector<AppWindow> SimAppWindows::windowsOf(std::int32_t pid) {
    std::vector<AppWindow> out;
    if (!m_.windowsReadable || !m_.app(pid)) {
        return out;
    }
    for (std::uint32_t n : m_.stacking) {
        const SimWindow* w = m_.window(n);
        if (w && w->pid == pid && !w->desktop) {
            out.push_back({w->number, w->pid, w->title, w->frame, w->role, w->minimized});
        }
    }
    return out;
}

std::optional<WindowId> SimAppWindows::focusedWindow(std::int32_t pid) {
    const SimApp* app = m_.windowsReadable ? m_.app(pid) : nullptr;
    if (!app || !app->focusedWindow || !m_.window(*app->focusedWindow)) {
        return std::nullopt;
    }
    return app->focusedWindow;
}

SimWindow* SimAppWindows::live(const WindowRef& window) {
    SimWindow* w = m_.window(window.id);
    return (m_.windowsReadable && w && w->pid == window.pid && m_.app(window.pid)) ? w : nullptr;
}

std::optional<Rect> SimAppWindows::frameOf(const WindowRef& window) {
    const SimWindow* w = live(window);
    return w ? std::optional<Rect>(w->frame) : std::nullopt;
}

SimWindow* SimAppWindows::request(const WindowRef& window, const std::string& what,
                                  const std::string& detail) {
    m_.note(what + " " + describe(window) + detail);
    SimWindow* w = live(window);
    if (w) {
        ++m_.generation;
    }
    return w;
}

bool SimAppWindows::move(const WindowRef& window, Point topLeft) {
    SimWindow* w = request(window, "move", " to " + text(topLeft));
    if (!w) {
        return false;
    }
    w->frame.x = topLeft.x;
    w->frame.y = topLeft.y;
    return true;
}

bool SimAppWindows::setFrame(const WindowRef& window, const Rect& frame) {
    SimWindow* w = request(window, "frame", " to " + text(frame));
    if (!w) {
        return false;
    }
    w->frame = frame;
    return true;
}

bool SimAppWindows::minimize(const WindowRef& window) {
    SimWindow* w = request(window, "minimize");
    if (w) {
        w->minimized = true;
    }
    return w != nullptr;
}

bool SimAppWindows::close(const WindowRef& window) {
    if (!request(window, "close")) {
        return false;
    }
    m_.windows.erase(window.id);
    std::erase(m_.stacking, window.id);
    return true;
}

bool SimAppWindows::raise(const WindowRef& window) {
    SimWindow* w = request(window, "raise");
    if (!w) {
        return false;
    }
    if (!m_.raisesRefused) {
        std::erase(m_.stacking, w->number);
        m_.stacking.insert(m_.stacking.begin(), w->number);
    }
    return true;
}

bool SimAppWindows::activate(const WindowRef& window) {
    SimWindow* w = request(window, "activate");
    if (!w) {
        return false;
    }
    w->minimized = false;
    m_.app(w->pid)->focusedWindow = w->number;
    return true;
}

}  // namespace platform::sim
