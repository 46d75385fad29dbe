// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "discovery/AX.h"
#include "platform/Workspace.h"

// The applications whose windows are chats: the messenger, always, and those the user listed
// by window class.
namespace Discovery {

struct ProtectedApp {
    platform::RunningApp app;
    std::string name;  // as listed; empty for the messenger
};

// Separates an application's name from a window title in a chat's key. No title a person
// types holds it, so a key of another application never equals a messenger chat's title.
inline constexpr char kKeySeparator = '\x1f';

// Tells the platform which applications to follow besides the messenger.
void followApps(const std::vector<std::string>& names);
// Those with windows now, the messenger first, then in the listed order; an application that
// two names (or the messenger's own) stand for is listed once, under the first.
std::vector<ProtectedApp> protectedApps(const std::vector<std::string>& names);
// What a chat's order, label, hot key and covering choice are stored under: the messenger's
// chats by title; another application's windows by its name in lower case, the separator and
// the title.
std::string chatKey(const KWindow& w);

}  // namespace Discovery
