#pragma once

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

  private:
    std::string configHome_;
    std::string executable_;
};

}  // namespace platform::x11
