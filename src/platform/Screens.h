// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Geometry.h"

namespace platform {

// One display, in desktop coordinates (logical pixels, y down, origin at the primary screen's
// top-left).
struct Screen {
    Rect frame;
    Rect visibleFrame;  // without panels and docks
    std::optional<std::uint32_t> displayNumber;
    friend bool operator==(const Screen&, const Screen&) = default;
};

// The display layout. The first screen is the primary one: desktop coordinates are anchored
// to its top-left corner.
class Screens {
  public:
    virtual ~Screens() = default;
    virtual std::vector<Screen> screens() = 0;
    // The primary screen's frame, or absent when there is no screen. Asked often, so it must
    // cost next to nothing.
    virtual std::optional<Rect> primaryFrame() = 0;
    // The screen holding the focused window, or absent when there is no screen.
    virtual std::optional<Screen> mainScreen() = 0;
};

}  // namespace platform
