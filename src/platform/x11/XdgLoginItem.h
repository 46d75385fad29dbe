// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/LoginItem.h"

namespace platform::x11 {

// Start at login through an XDG autostart entry, which every freedesktop session honours.
class XdgLoginItem final : public LoginItem {
  public:
    // `configHome` is the user's configuration directory; `executable` what the entry starts.
    XdgLoginItem(std::string configHome, std::string executable);

    LoginItemStatus status() override;
    LoginItemResult registerItem() override;
    LoginItemResult unregisterItem() override;

    std::string entryPath() const { return configHome_ + "/autostart/tessavo.desktop"; }

    // The entry's Exec value for `executable` (an absolute path): the bare name for the copy
    // installed in a system folder, else the path, quoted and escaped as the format requires.
    // None for a path the format cannot hold.
    static std::optional<std::string> execValue(std::string executable);

  private:
    std::string configHome_;
    std::string executable_;
};

}  // namespace platform::x11
