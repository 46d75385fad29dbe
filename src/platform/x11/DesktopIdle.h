// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace platform::x11 {

// The time since the user's last input as the desktop itself keeps it, for X servers that keep
// none (XWayland has no screen-saver extension): GNOME's compositor tells it on the session
// bus. A desktop that does not answer is asked again only after a while, so a tick never waits
// on it twice in a row.
class DesktopIdle {
  public:
    // Absent: no desktop tells.
    std::optional<double> seconds();

  private:
    int skip_ = 0;  // ticks to go before asking again
};

}  // namespace platform::x11
