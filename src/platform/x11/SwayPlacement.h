// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include <QTimer>

#include "platform/Geometry.h"
#include "platform/x11/SwayIpc.h"

namespace platform::x11 {

// Puts the program's own managed windows where they belong under sway, which floats them but
// centres them whatever they ask, on the workspace in view rather than their chat's, gives a
// new one the focus and draws a border round it: only its own commands say otherwise. Sway
// centres a window again on each resize the toolkit asks for, and takes one on only once its
// first picture arrives: a placed window is looked at shortly after and placed again until it
// is where it belongs.
class SwayPlacement {
  public:
    // `whereIs` reads a window's place on the screen (root coordinates); none: it is gone.
    SwayPlacement(std::int32_t ownPid, std::function<std::optional<Rect>(std::uint64_t)> whereIs);

    bool active() const { return ipc_.available(); }
    // `frame` in root coordinates; `target`: the window it belongs with.
    void place(std::uint64_t window, std::uint32_t target, const Rect& frame);
    void forget(std::uint64_t window) { pending_.erase(window); }

  private:
    struct Place {
        std::uint32_t target;
        Rect frame;
        int tries = 0;
        int ticks = 0;
        bool taken = false;  // sway carried out the last command: it has the window
        int held = 0;        // looks in a row that found it in place
    };
    bool tryPlace(std::uint64_t window, Place& p);
    void retry();

    SwayIpc ipc_;
    std::int32_t ownPid_;
    std::function<std::optional<Rect>(std::uint64_t)> whereIs_;
    bool rulesSent_ = false;
    std::map<std::uint64_t, Place> pending_;
    QTimer timer_;
};

}  // namespace platform::x11
