// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/SwayPlacement.h"

#include <cmath>

namespace platform::x11 {

namespace {

// Sway takes a window on within milliseconds, or in seconds when the machine is busy; a window
// it never takes on is left alone after some 5 s.
constexpr int kRetryMs = 5;
constexpr int kQuickTries = 40;
constexpr int kTries = kQuickTries + 100;
constexpr int kSlowEvery = 10;  // after the quick tries, one try in so many ticks
// A resize the toolkit asked for earlier may reach sway after a placement, and sway centres
// the window again: a window counts as placed once it stayed put for so many looks.
constexpr int kHeldLooks = 10;

std::string whole(double v) {
    return std::to_string(std::lround(v));
}

}  // namespace

SwayPlacement::SwayPlacement(std::int32_t ownPid,
                             std::function<std::optional<Rect>(std::uint64_t)> whereIs)
    : ownPid_(ownPid), whereIs_(std::move(whereIs)) {
    timer_.setInterval(kRetryMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { retry(); });
}

void SwayPlacement::place(std::uint64_t window, std::uint32_t target, const Rect& frame) {
    if (!active()) {
        return;
    }
    if (!rulesSent_) {
        rulesSent_ =
            ipc_.run("no_focus [pid=" + std::to_string(ownPid_) + " title=\"^tessavo cover$\"]");
    }
    Place p{target, frame};
    tryPlace(window, p);
    pending_[window] = p;
    timer_.start();
}

// A mark whose name starts with an underscore is never drawn in the chat's title bar. Resizing
// keeps a floating window's centre, so it comes before the move.
bool SwayPlacement::tryPlace(std::uint64_t window, Place& p) {
    const std::string mark = "_tessavo_" + std::to_string(p.target);
    p.taken = ipc_.run("[id=" + std::to_string(p.target) + "] mark --add " + mark +
                       "; [id=" + std::to_string(window) + "] move container to mark " + mark +
                       ", border none, resize set width " + whole(p.frame.width) + " px height " +
                       whole(p.frame.height) + " px, move absolute position " + whole(p.frame.x) +
                       " px " + whole(p.frame.y) + " px");
    return p.taken;
}

void SwayPlacement::retry() {
    for (auto it = pending_.begin(); it != pending_.end();) {
        Place& p = it->second;
        if (p.tries >= kQuickTries && ++p.ticks % kSlowEvery != 0) {
            ++it;
            continue;
        }
        const std::optional<Rect> now = whereIs_(it->first);
        const Rect& f = p.frame;
        // Before sway takes a window on, the X server has it where it asked to be: where it
        // is counts only once sway has carried out a placement.
        const bool there = p.taken && now && std::lround(now->x) == std::lround(f.x) &&
                           std::lround(now->y) == std::lround(f.y) &&
                           std::lround(now->width) == std::lround(f.width) &&
                           std::lround(now->height) == std::lround(f.height);
        p.held = there ? p.held + 1 : 0;
        if (p.held >= kHeldLooks || !now || ++p.tries > kTries) {
            it = pending_.erase(it);
            continue;
        }
        if (!there) {
            tryPlace(it->first, p);
        }
        ++it;
    }
    if (pending_.empty()) {
        timer_.stop();
    }
}

}  // namespace platform::x11
