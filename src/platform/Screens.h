#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Geometry.h"

namespace platform {

// One display, in screen coordinates (origin bottom-left of the primary screen, y up).
struct Screen {
    Rect frame;
    Rect visibleFrame;  // without panels and docks
    std::optional<std::uint32_t> displayNumber;
    friend bool operator==(const Screen&, const Screen&) = default;
};

// The display layout. The first screen is the primary one: both coordinate spaces are anchored
// to its corners.
class Screens {
  public:
    virtual ~Screens() = default;
    virtual std::vector<Screen> screens() = 0;
    // The primary screen's frame, or absent when there is no screen. Every coordinate
    // conversion asks for it, so it must cost next to nothing.
    virtual std::optional<Rect> primaryFrame() = 0;
    // The screen holding the focused window, or absent when there is no screen.
    virtual std::optional<Screen> mainScreen() = 0;
};

}  // namespace platform
