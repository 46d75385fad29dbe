// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Session.h"

#include <algorithm>

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

#include "platform/x11/AppGroup.h"
#include "platform/x11/X11Platform.h"

namespace platform::x11 {

namespace {
// A snapshot stands until the server tells of a change. Should it ever fail to, a poll this
// old is taken again anyway.
constexpr auto kSnapshotLifetime = std::chrono::seconds(1);
// All queries of one tick read one poll, even while changes keep coming in.
constexpr auto kSnapshotMinimumAge = std::chrono::milliseconds(4);
// Polls read again only what events say changed; this often everything is read afresh, so that
// a change no event told of cannot stand for long.
constexpr auto kFullReadInterval = std::chrono::seconds(5);
}  // namespace

Session::~Session() {
    notifier_.reset();  // it watches the connection's socket, which closes next
}

xcb_connection_t* Session::toolkitConnection() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

xcb_connection_t* Session::connection() {
    if (c_) {
        return xcb_connection_has_error(c_.get()) ? nullptr : c_.get();
    }
    if (!toolkitConnection()) {
        return nullptr;  // Qt is not on X11: there is nothing to see
    }
    c_.reset(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = c_.get();
    if (xcb_connection_has_error(c)) {
        return nullptr;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    atoms_ = Atoms::intern(c);
    ownPid = static_cast<std::int32_t>(::getpid());
    scale_ = ScreenScale::current();
    facts_.atoms = &atoms_;
    facts_.ignored = &floating;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &FactCache::kRootEvents);
    xcb_flush(c);
    // Events are read as they come, also while nothing polls (covering paused, say), so they
    // never pile up; errors of requests without replies arrive the same way.
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
    if (auto* loop = QAbstractEventDispatcher::instance()) {
        QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, notifier_.get(),
                         [this] { readQueued(); });
    }
    return c;
}

// Any reply waited for on this connection (the mouse, the idle time, a picture) reads the
// events that came meanwhile off the socket, whose watcher then never hears of them: they are
// looked at before the event loop sleeps.
void Session::readQueued() {
    if (!facts_.absorbQueued(c_.get())) {
        return;
    }
    raiseIfRestacked();
    if (facts_.changed) {
        announceLater();
    }
}

void Session::raiseIfRestacked() {
    if (facts_.restacked) {
        raiseFloatingAtOnce();
        facts_.absorbQueued(c_.get());  // read while its replies were awaited
    }
}

void Session::readEvents() {
    facts_.absorbPending(c_.get());
    if (xcb_connection_has_error(c_.get())) {
        notifier_->setEnabled(false);  // a closed socket stays readable: stop listening
        facts_.changed = true;
        displayLost();
    } else {
        raiseIfRestacked();
    }
    if (facts_.changed && onChange) {
        onChange();
    }
}

void Session::announceAfter(std::chrono::steady_clock::duration wait) {
    if (!notifier_ || announceDue_) {
        return;
    }
    announceDue_ = true;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    QTimer::singleShot(static_cast<int>(ms), notifier_.get(), [this] {
        announceDue_ = false;
        announceLater();
    });
}

// A query may come from anywhere, in the middle of the caller's own work: the change is told
// from the event loop.
void Session::announceLater() {
    if (announcing_ || !notifier_) {
        return;
    }
    announcing_ = true;
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this] {
            announcing_ = false;
            if (onChange) {
                onChange();
            }
        },
        Qt::QueuedConnection);
}

const Snapshot& Session::snapshot() {
    const auto now = std::chrono::steady_clock::now();
    if (c_ && taken_) {
        if (now - *taken_ < kSnapshotMinimumAge) {
            if (facts_.changed) {
                announceAfter(kSnapshotMinimumAge - (now - *taken_));  // then it polls anew
            }
            return snapshot_;
        }
        // Queries come many to a tick: only what has been read already is looked at here; the
        // socket itself is watched from the event loop.
        facts_.absorbQueued(c_.get());
        if (!facts_.changed && now - *taken_ < kSnapshotLifetime) {
            return snapshot_;
        }
    }
    if (!connection()) {
        snapshot_ = Snapshot{};
        return snapshot_;
    }
    // What the server has sent by now is read first (a poll costs round trips anyway): the
    // change that started this tick may be only the first of several told together.
    facts_.absorbPending(c_.get());
    // A change told while this poll runs may or may not be in it: it leads to another poll.
    facts_.changed = false;
    if (facts_.restacked) {
        raiseFloatingAtOnce();  // first: a poll that learns many windows anew takes long
    }
    if (!fullReadAt_ || now - *fullReadAt_ >= kFullReadInterval) {
        facts_.seen.clear();
        fullReadAt_ = now;
    }
    const std::uint64_t generation = snapshot_.generation + 1;
    snapshot_ = Snapshot::take(c_.get(), root_, atoms_, facts_);
    static const auto messenger = AppGroup::namesFor(AppGroup::kMessenger);
    AppGroup::unify(snapshot_, messenger, AppGroup::isOwnProcess);
    for (const auto& names : followed) {
        AppGroup::unify(snapshot_, names, AppGroup::isOwnProcess);
    }
    snapshot_.generation = generation;
    // Aged from when it was done: a poll that took longer than the minimum age (many windows,
    // a busy server) is otherwise taken again by every later query of the same tick.
    taken_ = std::chrono::steady_clock::now();
    scale_ = ScreenScale::current();  // screens come and go rarely; once a poll is plenty
    keepFloatingOnTop(snapshot_);
    // Waiting for replies reads whatever events came meanwhile off the socket, so the socket's
    // watcher never hears of them: they are looked at here, or they would wait for the next tick.
    facts_.absorbQueued(c_.get());
    if (facts_.changed) {
        announceLater();  // told while polling: it needs a poll of its own
    }
    return snapshot_;
}

namespace {
// Window managers keep tiny windows of their own off screen (a check window, say).
bool canBeSeen(const Rect& r) {
    return r.width > 1 && r.height > 1 && r.maxX() > 0 && r.maxY() > 0;
}
bool canBeSeen(const TopLevel& t) {
    return canBeSeen(t.rect);
}
}  // namespace

// Made by one of this program's connections (its menus, say): never a window to stay above.
bool Session::isOwnWindow(xcb_window_t w) {
    for (xcb_connection_t* c : {c_.get(), toolkitConnection()}) {
        const xcb_setup_t* setup = c ? xcb_get_setup(c) : nullptr;
        if (setup && (w & ~setup->resource_id_mask) == setup->resource_id_base) {
            return true;
        }
    }
    return false;
}

// The program's own framed windows (the settings window, a question) stand above the floating
// ones, which only a poll can arrange.
bool Session::ownFramedWindowShown() const {
    if (!qGuiApp) {
        return false;
    }
    const auto windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(), [this](const QWindow* w) {
        return w->isVisible() && (w->type() == Qt::Window || w->type() == Qt::Dialog) &&
               !(w->flags() & Qt::BypassWindowManagerHint) && !floating.contains(w->winId()) &&
               !stackedAbove.contains(w->winId());
    });
}

// A window that comes onto the root or is raised there (a new frame, a chat a window manager
// that ended left behind) may stand above the floating windows, showing what they cover until
// the next poll has read every window: they are raised again at once. This reads only the
// root's stacking, plus the state of what stands above them.
void Session::raiseFloatingAtOnce() {
    facts_.restacked = false;
    xcb_connection_t* c = connection();
    if (!c || floating.empty() || ownFramedWindowShown()) {
        return;
    }
    const auto tree =
        collect<xcb_query_tree_reply_t>(c, xcb_query_tree(c, root_), xcb_query_tree_reply);
    if (!tree) {
        return;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_window_t> ours;  // bottom to top
    std::vector<xcb_window_t> above;
    for (int i = 0; i < count; ++i) {
        if (floating.contains(children[i])) {
            ours.push_back(children[i]);
        } else if (!ours.empty() && !isOwnWindow(children[i])) {
            above.push_back(children[i]);
        }
    }
    if (above.empty()) {
        return;
    }
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> asks;
    asks.reserve(above.size());
    for (const xcb_window_t w : above) {
        asks.emplace_back(xcb_get_window_attributes(c, w), xcb_get_geometry(c, w));
    }
    bool covering = false;
    for (std::size_t i = 0; i < above.size(); ++i) {
        const auto attrs = collect<xcb_get_window_attributes_reply_t>(
            c, asks[i].first, xcb_get_window_attributes_reply);
        const auto g = collect<xcb_get_geometry_reply_t>(c, asks[i].second, xcb_get_geometry_reply);
        covering = covering ||
                   (attrs && g && attrs->map_state == XCB_MAP_STATE_VIEWABLE && !isDock(above[i]) &&
                    canBeSeen(Rect{static_cast<double>(g->x), static_cast<double>(g->y),
                                   static_cast<double>(g->width), static_cast<double>(g->height)}));
    }
    if (!covering) {
        return;
    }
    const std::uint32_t top = XCB_STACK_MODE_ABOVE;
    for (const xcb_window_t w : ours) {
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, &top);
    }
    xcb_flush(c);
    taken_.reset();  // the stacking a poll read is gone
}

// As the last poll knew it: a panel or dock is no window to stay above.
bool Session::isDock(xcb_window_t w) const {
    for (const TopLevel& t : snapshot_.topLevels) {
        if (t.id == w) {
            const auto& types = t.client ? snapshot_.clients[*t.client].types : t.types;
            return std::find(types.begin(), types.end(), atoms_.typeDock) != types.end();
        }
    }
    return false;
}

// Another program's window that our floating windows must stay above. Panels and docks are
// not: they hold no chat, and our own windows could never come above them.
bool Session::mustStayBelowFloating(const Snapshot& s, const TopLevel& t) const {
    const std::vector<xcb_atom_t>& types = t.client ? s.clients[*t.client].types : t.types;
    return t.pid != ownPid && canBeSeen(t) &&
           std::find(types.begin(), types.end(), atoms_.typeDock) == types.end();
}

// Emulates a floating window level: our floating windows (covers, the bar) stay above every
// other program's window, and below this program's own framed windows (the settings window, a
// question) that are in front of all those: the program's windows are never hidden by its own
// covers. Their own order is kept.
void Session::keepFloatingOnTop(const Snapshot& s) {
    if (floating.empty()) {
        return;
    }
    std::optional<std::size_t> highestForeign;
    std::vector<std::size_t> ours;  // floating, bottom to top
    for (std::size_t i = 0; i < s.topLevels.size(); ++i) {
        const TopLevel& t = s.topLevels[i];
        if (!t.viewable) {
            continue;
        }
        if (floating.contains(t.id)) {
            ours.push_back(i);
        } else if (mustStayBelowFloating(s, t)) {
            highestForeign = i;
        }
    }
    if (ours.empty()) {
        return;
    }
    // Our lowest framed window above every foreign one: the floating windows belong under it.
    // A frame may be override-redirect (Fluxbox, IceWM, i3): that it frames a client is what
    // counts.
    std::optional<std::size_t> ownAbove;
    for (std::size_t i = highestForeign ? *highestForeign + 1 : 0; i < s.topLevels.size(); ++i) {
        const TopLevel& t = s.topLevels[i];
        if (t.viewable && t.client && t.pid == ownPid && !floating.contains(t.id) &&
            !stackedAbove.contains(s.clients[*t.client].id)) {
            ownAbove = i;
            break;
        }
    }
    const bool foreignAbove = highestForeign && *highestForeign > ours.front();
    const bool aboveOwn = ownAbove && ours.back() > *ownAbove;
    if (!foreignAbove && !aboveOwn) {
        return;
    }
    if (ownAbove) {
        // Each goes directly under our window, bottom one first: their order stays.
        const std::uint32_t below[] = {s.topLevels[*ownAbove].id, XCB_STACK_MODE_BELOW};
        for (const std::size_t i : ours) {
            xcb_configure_window(c_.get(), s.topLevels[i].id,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, below);
        }
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        for (const std::size_t i : ours) {
            xcb_configure_window(c_.get(), s.topLevels[i].id, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        }
    }
    xcb_flush(c_.get());
    taken_.reset();
}

Point Session::primaryOrigin() const {
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) {
        return {};
    }
    const QRect g = primary->geometry();
    return {static_cast<double>(g.x()), static_cast<double>(g.y())};
}

Rect Session::toDesktop(const Rect& r) const {
    const Point o = primaryOrigin();
    const Rect l = scale_.toLogical(r);
    return {l.x - o.x, l.y - o.y, l.width, l.height};
}

Point Session::toRoot(const Point& p) const {
    const Point o = primaryOrigin();
    return scale_.toDevice({p.x + o.x, p.y + o.y});
}

}  // namespace platform::x11
