// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include "platform/Platform.h"

namespace platform::x11 {

// The real desktop on an X server with an EWMH window manager. It attaches to Qt's xcb
// connection once the application object exists; before that, and on any other Qt platform,
// window services answer empty.
// Covers stay over their chats as `stacking` says.
std::unique_ptr<Platform> createPlatform(CoverStacking stacking = CoverStacking::floating);

// What the program does once the backend's own connection to the X server breaks: without a
// server there is nothing to watch or cover. Set before the event loop runs; without one, the
// windows merely vanish from the backend's view.
void setDisplayLostHandler(std::function<void()> handler);
// Called by the backend, from the event loop, when its connection broke.
void displayLost();

}  // namespace platform::x11
