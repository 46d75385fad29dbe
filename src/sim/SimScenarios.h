// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "sim/SimDesktop.h"

// Ready-made desktops for tests, benchmarks and demos.
namespace platform::sim {

inline constexpr std::int32_t kMessengerPid = 500;

struct MessengerLayout {
    int chats = 3;         // chat windows besides the main window
    int otherWindows = 0;  // ordinary windows of other applications, behind the chats
    bool focusFirstChat = true;
};

// A running messenger with its main window "카카오톡" and `chats` chat windows titled
// "채팅 1", "채팅 2", ..., numbered 1001, 1002, ... (the main window is 1000), plus windows of
// other applications numbered from 5000. Returns the number of the first chat.
std::uint32_t addMessenger(SimDesktop& desktop, const MessengerLayout& layout);

}  // namespace platform::sim
