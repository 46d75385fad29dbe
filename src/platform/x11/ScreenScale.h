// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "platform/Geometry.h"

namespace platform::x11 {

// X11 speaks in device pixels; the program, like Qt, in device-independent pixels. Qt keeps
// each screen's top-left corner where the device pixels put it and divides distances within
// the screen by the screen's device pixel ratio; the same mapping is done here, so windows
// the program places land exactly where X puts the windows it reads.
class ScreenScale {
  public:
    struct Screen {
        Rect logical;      // Qt's geometry: top-left in device pixels, size in logical pixels
        double ratio = 1;  // device pixels per logical pixel
    };

    ScreenScale() = default;
    explicit ScreenScale(std::vector<Screen> screens);
    // Qt's screens now, the primary first.
    static ScreenScale current();

    Rect toLogical(const Rect& device) const;
    Point toLogical(const Point& device) const;
    Point toDevice(const Point& logical) const;
    // Device pixels per logical pixel for a window that covers `device`.
    double ratioAt(const Rect& device) const;

  private:
    const Screen* screenForDevice(const Rect& device) const;
    const Screen* screenForLogical(const Point& logical) const;
    Rect deviceGeometry(const Screen& s) const;

    std::vector<Screen> screens_;
    bool identity_ = true;
};

}  // namespace platform::x11
