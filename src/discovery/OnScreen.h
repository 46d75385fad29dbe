// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "discovery/AX.h"
#include "platform/Geometry.h"
#include "platform/WindowTypes.h"
#include "platform/Workspace.h"

// Which windows are on screen, in what front-to-back order, and whether another application's
// window hides a chat. Each call reads the window server afresh.

inline constexpr const char* kMessengerIdentifier = "com.kakao.KakaoTalkMac";

// One entry of the on-screen list; layer 0 holds ordinary application windows.
using OnScreenWin = platform::ScreenWindow;

namespace Discovery {

// The running messenger (the first one the workspace lists), or absent.
std::optional<platform::RunningApp> kakaoApp();
// On-screen windows, front-most first; empty when the window server cannot answer.
std::vector<OnScreenWin> onScreenWindows();
// Window number to position in an on-screen list (0 = front-most).
std::unordered_map<std::uint32_t, int> frontIndexMap(const std::vector<OnScreenWin>& onScreen);
// True when one ordinary window of another application (neither the chat's nor this program)
// in front of `w` covers at least 90 % of its area.
bool isOccluded(const KWindow& w, const std::vector<OnScreenWin>& snapshot);

}  // namespace Discovery
