// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace platform {

// How covers stay over their chats.
// - floating: above every window, with holes for what the program sees in front of a chat. It
//   needs a window server where the program sees every window (an X11 session).
// - aboveChat: each cover directly above its own chat in the window manager's stacking, so
//   whatever comes in front of the chat comes in front of its cover too. A Wayland session
//   needs it: its own windows are invisible to an X client, and it draws unmanaged X windows
//   above all of them.
enum class CoverStacking { floating, aboveChat };

struct CoverStackingChoice {
    CoverStacking stacking = CoverStacking::floating;
    std::string reason;  // for the log: what the choice was made from
};

// From the environment: TESSAVO_COVERS ("floating" or "stacked") when the user set it, else the
// session type the login manager announced, else whether a Wayland display is there. Null
// pointers stand for unset variables.
CoverStackingChoice chooseCoverStacking(const char* override, const char* sessionType,
                                        const char* waylandDisplay);
// The same, read from this process's environment.
CoverStackingChoice chooseCoverStacking();

}  // namespace platform
