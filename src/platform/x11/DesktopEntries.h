#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::x11::DesktopEntries {

// The installed application entry (an XDG .desktop file) whose file name or StartupWMClass is
// one of `names` (compared without case); absent when none is installed.
std::optional<std::string> find(const std::vector<std::string>& names);
// Starts the entry's program detached; false when it has no usable Exec line.
bool launch(const std::string& path);
// The Exec line split into program and arguments, field codes removed.
std::vector<std::string> commandOf(const std::string& execLine);

}  // namespace platform::x11::DesktopEntries
