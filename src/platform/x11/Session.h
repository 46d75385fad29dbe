// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <xcb/xcb.h>
#include <QSocketNotifier>

#include "platform/CoverStacking.h"
#include "platform/Geometry.h"
#include "platform/x11/Atoms.h"
#include "platform/x11/ScreenScale.h"
#include "platform/x11/Snapshot.h"
#include "platform/x11/Xcb.h"

namespace platform::x11 {

// The X server as the backend's services share it: a connection of our own for polling and
// requests (used by the main thread alone, so replies cost no thread hand-offs), the atoms,
// and the latest snapshot of all windows.
class Session {
  public:
    explicit Session(CoverStacking stacking = CoverStacking::floating) : coverStacking(stacking) {}
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Absent until the application runs on xcb.
    xcb_connection_t* connection();
    // Qt's connection, which carries the changes Qt makes to our own windows.
    xcb_connection_t* toolkitConnection();
    xcb_window_t root() const { return root_; }
    const Atoms& atoms() const { return atoms_; }

    // The windows as the server last told of them: a new poll only after the server announced
    // a change (or after a second, whatever happened).
    const Snapshot& snapshot();
    // Something was changed: the next query polls afresh.
    void invalidate() { taken_.reset(); }

    // Called, from the event loop, when the server announced a change a poll would see.
    std::function<void()> onChange;

    // Root coordinates (device pixels, top-left of the whole screen) to desktop coordinates
    // (logical pixels, top-left of the primary screen) and back.
    Point primaryOrigin() const;
    Rect toDesktop(const Rect& rootRect) const;
    // Root coordinates to Qt's global coordinates (logical pixels, top-left of the whole screen).
    Point toQtGlobal(const Point& rootPoint) const { return scale_.toLogical(rootPoint); }
    Point toRoot(const Point& desktopPoint) const;
    // Device pixels per logical pixel where a window with this root rectangle lies.
    double deviceRatioAt(const Rect& rootRect) const { return scale_.ratioAt(rootRect); }

    // The window this program last asked the window manager to activate, and when: the
    // manager may not have acted on it by the next poll.
    struct Activation {
        xcb_window_t window = 0;
        std::chrono::steady_clock::time_point at;
    };
    std::optional<Activation> lastActivation;

    // The program's own windows that must float above every other window.
    std::set<std::uint64_t> floating;
    // How covers stay over their chats, and the program's own windows kept each directly above
    // another program's window (covers, when they are stacked with their chats).
    const CoverStacking coverStacking;
    std::set<std::uint64_t> stackedAbove;
    std::int32_t ownPid = 0;
    // The applications followed besides the messenger, each by the names its windows carry:
    // every poll gives each one's windows one process id.
    std::vector<std::vector<std::string>> followed;

  private:
    void readEvents();
    void readQueued();
    void announceLater();
    void announceAfter(std::chrono::steady_clock::duration wait);
    void raiseIfRestacked();
    void raiseFloatingAtOnce();
    bool isOwnWindow(xcb_window_t w);
    bool ownFramedWindowShown() const;
    bool isDock(xcb_window_t w) const;
    void keepFloatingOnTop(const Snapshot& s);
    bool mustStayBelowFloating(const Snapshot& s, const TopLevel& t) const;

    Connection c_;
    xcb_window_t root_ = 0;
    Atoms atoms_{};
    Snapshot snapshot_;
    FactCache facts_;
    ScreenScale scale_;
    std::optional<std::chrono::steady_clock::time_point> taken_;
    std::optional<std::chrono::steady_clock::time_point> fullReadAt_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool announcing_ = false;
    bool announceDue_ = false;
};

}  // namespace platform::x11
