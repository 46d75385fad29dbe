#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/AXTypes.h"
#include "platform/Geometry.h"

// The messenger's windows as the accessibility interface reports them. Every call asks afresh
// and returns a snapshot; failures are silent and give empty or absent results.

// One messenger window. `frame` is in accessibility coordinates (top-left origin, y down).
struct KWindow {
    platform::Element element;
    std::uint32_t id = 0;  // the window server's number; 0 when unavailable
    std::string title;     // never empty in records that AX::windows produces
    platform::Rect frame;
    bool minimized = false;
    std::string subrole;
};

namespace AX {

// The application's titled windows with readable position and size, in its own order.
std::vector<KWindow> windows(std::int32_t pid);
// The number of the application's focused window; absent when none or when it is 0.
std::optional<std::uint32_t> focusedWindowID(std::int32_t pid);
std::optional<platform::Point> position(const platform::Element& element);
std::optional<platform::Size> size(const platform::Element& element);
// Presses the button element held in `attribute` of `window`, if there is one.
void pressButton(const platform::Element& window, const std::string& attribute);

}  // namespace AX

// Accessibility frame to screen coordinates (bottom-left origin, y up), anchored to the primary
// screen's height. With no screen at all the result's y is 0.
platform::Rect axFrameToCocoa(const platform::Rect& r);
