// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/x11/Snapshot.h"

namespace platform::x11 {

// An application is known by the class its windows carry, not by one process: the messenger
// may run several processes (under Wine, say), and any X client can claim its class and any
// process id. So every window of the messenger's class counts as the messenger's, and all of
// them report one process id, which the rest of the program then treats as the messenger.
namespace AppGroup {

inline constexpr const char* kMessenger = "com.kakao.KakaoTalkMac";

// The window classes an application identifier stands for, compared case-insensitively.
std::vector<std::string> namesFor(const std::string& identifier);
bool matches(const std::vector<std::string>& names, const std::string& name);
bool matches(const std::vector<std::string>& names, const Client& c);

// Gives every client of `names`, and every unmanaged window of the processes they name, one
// process id: the lowest claimed id for which `ours` holds (a live process of this user), else
// the lowest claimed id. Returns that id; 0 when no client of `names` names a process. A
// client an earlier call grouped stays in its group: the first group named claims it.
std::int32_t unify(Snapshot& s, const std::vector<std::string>& names,
                   const std::function<bool(std::int32_t)>& ours);

// A live process of this user.
bool isOwnProcess(std::int32_t pid);

}  // namespace AppGroup

}  // namespace platform::x11
