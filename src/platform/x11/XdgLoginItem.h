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

    // The entry's Exec value for `executable`: the bare name when the first `tessavo` on
    // `searchPath` (a PATH value) is that very file, as for an installed copy; else its
    // absolute path, quoted.
    static std::string execValue(const std::string& executable, const std::string& searchPath);

  private:
    std::string configHome_;
    std::string executable_;
};

}  // namespace platform::x11
