// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::x11::DesktopEntries {

// The installed application entry (an XDG .desktop file) whose file name or StartupWMClass is
// one of `names` (compared without case); absent when none is installed.
std::optional<std::string> find(const std::vector<std::string>& names);
// What the entry calls its program: the Korean name where it gives one, else its name; absent
// when the entry cannot be read or names nothing.
std::optional<std::string> nameOf(const std::string& path);
// Starts the entry's program detached, with no files to open. False when the entry cannot be
// read or has no usable Exec line; `why` then says which.
bool launch(const std::string& path, std::string* why = nullptr);

// The value of `key` in the [Desktop Entry] group of an entry's text, string escapes still in
// place (as commandOf takes Exec); absent when the group has no such key.
std::optional<std::string> rawValue(const std::string& text, const std::string& key);

// What the field codes of an Exec line may stand for.
struct EntryFields {
    std::string name;      // %c
    std::string icon;      // %i, as "--icon" and the icon
    std::string location;  // %k, the entry's own file
};

// An Exec line as program and arguments, or the reason it cannot be run.
struct Command {
    std::vector<std::string> args;  // the program first; empty when `error` is set
    std::string error;
};

// `execValue` as it stands in the file: string escapes undone, then quoting, then field codes
// expanded for a launch with no files (%f %F %u %U and deprecated codes give nothing, %% is %).
Command commandOf(const std::string& execValue, const EntryFields& fields = {});

}  // namespace platform::x11::DesktopEntries
