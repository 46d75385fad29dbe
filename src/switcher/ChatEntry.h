// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// One chat as the settings window lists it.
struct ChatEntry {
    std::string key;    // what its order, label and hot key are stored under
    std::string title;  // as its window shows it
    std::string app;    // the protected application it belongs to; empty for the messenger
    friend bool operator==(const ChatEntry&, const ChatEntry&) = default;
};
