// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowServer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <unistd.h>
#include <xcb/screensaver.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

// A 24- or 32-bit ZPixmap image as the server sends it (little-endian BGRx).
std::optional<QImage> toImage(const xcb_get_image_reply_t* r, int width, int height) {
    if (!r || (r->depth != 24 && r->depth != 32)) {
        return std::nullopt;
    }
    const int length = xcb_get_image_data_length(r);
    if (length < width * height * 4) {
        return std::nullopt;
    }
    QImage view(xcb_get_image_data(r), width, height, width * 4, QImage::Format_RGB32);
    return view.copy();
}

}  // namespace

X11WindowServer::X11WindowServer(Session& session)
    : s_(session), sway_(static_cast<std::int32_t>(::getpid()), [this](std::uint64_t w) {
          return placeOnRoot(w);
      }) {}

// Where one of the program's own windows is on the screen, as the server has it now.
std::optional<Rect> X11WindowServer::placeOnRoot(std::uint64_t nativeWindow) {
    xcb_connection_t* c = s_.connection();
    if (!c) {
        return std::nullopt;
    }
    const auto w = static_cast<xcb_window_t>(nativeWindow);
    const auto geometryCookie = xcb_get_geometry(c, w);
    const auto atCookie = xcb_translate_coordinates(c, w, s_.root(), 0, 0);
    const auto g = collect<xcb_get_geometry_reply_t>(c, geometryCookie, xcb_get_geometry_reply);
    const auto at =
        collect<xcb_translate_coordinates_reply_t>(c, atCookie, xcb_translate_coordinates_reply);
    if (!g || !at) {
        return std::nullopt;
    }
    return Rect{static_cast<double>(at->dst_x), static_cast<double>(at->dst_y),
                static_cast<double>(g->width), static_cast<double>(g->height)};
}

std::int64_t X11WindowServer::layerOf(const TopLevel& t, const Client* c, const Atoms& a,
                                      const std::set<std::uint64_t>& floating) {
    const auto& types = c ? c->types : t.types;
    if (has(types, a.typeDesktop)) {
        return level::kDesktop;
    }
    if (floating.contains(t.id)) {
        return level::kFloating;
    }
    // Some window managers (Fluxbox, IceWM, i3) make their frames override-redirect: a frame
    // stands at its client's level, and only a window no manager took on is a pop-up.
    if (t.overrideRedirect && !c) {
        return level::kPopup;
    }
    if (has(types, a.typeDock)) {
        return level::kDock;
    }
    if (c && has(c->states, a.stateAbove)) {
        return level::kFloating;
    }
    return level::kNormal;
}

std::optional<std::vector<ScreenWindow>> X11WindowServer::onScreenWindows() {
    if (!s_.connection()) {
        return std::nullopt;
    }
    const Snapshot& s = s_.snapshot();
    std::vector<ScreenWindow> list;
    list.reserve(s.topLevels.size());
    for (auto it = s.topLevels.rbegin(); it != s.topLevels.rend(); ++it) {
        const TopLevel& t = *it;
        if (!t.viewable) {
            continue;
        }
        const Client* c = t.client ? &s.clients[*t.client] : nullptr;
        const std::int64_t layer = layerOf(t, c, s_.atoms(), s_.floating);
        if (layer == level::kDesktop) {
            continue;
        }
        list.push_back({c ? c->id : t.id, c ? c->pid : t.pid, layer, s_.toDesktop(t.rect)});
    }
    return list;
}

// The root background lies below every window. Each screen gets its own piece of it, so a
// capture for one screen shows that screen's part of the picture.
std::vector<ScreenWindow> X11WindowServer::desktopWindows() {
    std::vector<ScreenWindow> list;
    if (!s_.connection()) {
        return list;
    }
    const auto screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        const QRect g = screens[i]->geometry();
        const Rect root{static_cast<double>(g.x()), static_cast<double>(g.y()),
                        static_cast<double>(g.width()), static_cast<double>(g.height())};
        list.push_back({kDesktopWindowBase + static_cast<std::uint32_t>(i), 0, level::kDesktop,
                        s_.toDesktop(root)});
    }
    return list;
}

std::optional<QImage> X11WindowServer::windowImage(WindowId number) {
    xcb_connection_t* c = s_.connection();
    if (!c) {
        return std::nullopt;
    }
    if (number >= kDesktopWindowBase) {
        return desktopPicture(number - kDesktopWindowBase);
    }
    auto g =
        collect<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, number), xcb_get_geometry_reply);
    if (!g) {
        return std::nullopt;
    }
    auto image = collect<xcb_get_image_reply_t>(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, number, 0, 0, g->width, g->height, ~0u),
        xcb_get_image_reply);
    return toImage(image.get(), g->width, g->height);
}

// The part of the root background picture (_XROOTPMAP_ID, as set by feh, nitrogen and most
// desktop environments) that lies on one screen.
std::optional<QImage> X11WindowServer::desktopPicture(std::size_t screen) {
    const auto screens = QGuiApplication::screens();
    if (screen >= static_cast<std::size_t>(screens.size())) {
        return std::nullopt;
    }
    xcb_connection_t* c = s_.connection();
    const auto pixmap = firstCardinal(
        collectProperty(c, requestProperty(c, s_.root(), s_.atoms().xrootpmapId)), XCB_ATOM_PIXMAP);
    if (!pixmap || *pixmap == 0) {
        return std::nullopt;
    }
    auto g =
        collect<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, *pixmap), xcb_get_geometry_reply);
    if (!g) {
        return std::nullopt;
    }
    const QRect area =
        screens[static_cast<int>(screen)]->geometry().intersected(QRect(0, 0, g->width, g->height));
    if (area.isEmpty()) {
        return std::nullopt;
    }
    auto image = collect<xcb_get_image_reply_t>(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, *pixmap, static_cast<std::int16_t>(area.x()),
                      static_cast<std::int16_t>(area.y()), static_cast<std::uint16_t>(area.width()),
                      static_cast<std::uint16_t>(area.height()), ~0u),
        xcb_get_image_reply);
    return toImage(image.get(), area.width(), area.height());
}

double X11WindowServer::secondsSinceLastInput() {
    xcb_connection_t* c = s_.connection();
    if (!c) {
        return 0;
    }
    if (const xcb_query_extension_reply_t* e = xcb_get_extension_data(c, &xcb_screensaver_id);
        e && e->present) {
        auto info = collect<xcb_screensaver_query_info_reply_t>(
            c, xcb_screensaver_query_info(c, s_.root()), xcb_screensaver_query_info_reply);
        return info ? info->ms_since_user_input / 1000.0 : 0;
    }
    return desktopIdle_.seconds().value_or(0);
}

void X11WindowServer::keepOnFloatingLevel(std::uint64_t nativeWindow) {
    s_.floating.insert(nativeWindow);
    // A floating window has no frame. Saying so spares the toolkit a walk up the window tree
    // (four round trips) on every move of every cover.
    if (xcb_connection_t* c = s_.connection()) {
        const std::uint32_t none[4] = {0, 0, 0, 0};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(nativeWindow),
                            s_.atoms().netFrameExtents, XCB_ATOM_CARDINAL, 32, 4, none);
        xcb_flush(c);
    }
}

// Sent on the toolkit's own connection, so each request lands after the toolkit's last one for
// that window: the states before its first map, the parent after the toolkit wrote its own on
// showing it, the restacking after the map.
void X11WindowServer::stackAbove(std::uint64_t nativeWindow, WindowId target, const Rect& frame) {
    xcb_connection_t* c = s_.toolkitConnection();
    if (!c) {
        return;
    }
    const auto w = static_cast<xcb_window_t>(nativeWindow);
    const Atoms& a = s_.atoms();
    if (s_.stackedAbove.insert(nativeWindow).second) {
        // Out of task bars, pagers and window switchers: read by the manager when the window is
        // first mapped.
        const xcb_atom_t states[] = {a.stateSkipTaskbar, a.stateSkipPager, a.stateSkipSwitcher};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, a.netWmState, XCB_ATOM_ATOM, 32, 3,
                            states);
        xcb_flush(c);
        return;  // not mapped yet: nothing to stack or place
    }
    // Managers keep a transient window above the one it belongs to, wherever that one goes.
    const xcb_window_t chat = target;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, a.wmTransientFor, XCB_ATOM_WINDOW, 32, 1,
                        &chat);
    // Directly above it, not at the top: whatever the user brought in front of the chat stays
    // in front. Asked as a pager would, which managers do not second-guess, to go below the
    // chat: they then lift a window that belongs to another directly above that one. Asked to
    // go above it, KWin raises both to the top unless a window of its own kind lies on the chat.
    sendRootMessage(c, s_.root(), w, a.netRestackWindow, kSourcePager, chat, XCB_STACK_MODE_BELOW);
    // A manager may drop a window's states when it is taken down (KWin does), and mark one mapped
    // without the user's doing as wanting attention: said again each time.
    constexpr std::uint32_t kRemove = 0, kAdd = 1;
    const xcb_window_t root = s_.root();
    sendRootMessage(c, root, w, a.netWmState, kAdd, a.stateSkipTaskbar, a.stateSkipPager,
                    kSourcePager);
    sendRootMessage(c, root, w, a.netWmState, kAdd, a.stateSkipSwitcher, 0, kSourcePager);
    sendRootMessage(c, root, w, a.netWmState, kRemove, a.stateDemandsAttention, 0, kSourcePager);
    xcb_flush(c);
    if (sway_.active()) {
        const Point at = s_.toRoot({frame.x, frame.y});
        const double ratio = s_.deviceRatioAt({at.x, at.y, frame.width, frame.height});
        sway_.place(nativeWindow, target, {at.x, at.y, frame.width * ratio, frame.height * ratio});
    }
}

void X11WindowServer::release(std::uint64_t nativeWindow) {
    s_.floating.erase(nativeWindow);
    s_.stackedAbove.erase(nativeWindow);
    sway_.forget(nativeWindow);
}

void X11WindowServer::setBackground(std::uint64_t nativeWindow, std::optional<std::uint32_t> rgb) {
    xcb_connection_t* c = s_.connection();
    if (!c) {
        return;
    }
    // A true-colour visual takes the colour as its pixel value; the desktop picture is the
    // root's own background, shown through at the window's place.
    const std::uint32_t mask = rgb ? XCB_CW_BACK_PIXEL : XCB_CW_BACK_PIXMAP;
    const std::uint32_t value =
        rgb ? *rgb : static_cast<std::uint32_t>(XCB_BACK_PIXMAP_PARENT_RELATIVE);
    xcb_change_window_attributes(c, static_cast<xcb_window_t>(nativeWindow), mask, &value);
    xcb_flush(c);
}

void X11WindowServer::onWindowsChanged(std::function<void()> handler) {
    s_.onChange = std::move(handler);
}

void X11WindowServer::flush() {
    if (xcb_connection_t* c = s_.toolkitConnection()) {
        xcb_flush(c);
    }
    if (xcb_connection_t* c = s_.connection()) {
        xcb_flush(c);
    }
}

}  // namespace platform::x11
