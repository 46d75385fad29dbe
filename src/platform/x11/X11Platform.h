#pragma once

#include <memory>

#include "platform/Platform.h"

namespace platform::x11 {

// The real desktop on an X server with an EWMH window manager. It attaches to Qt's xcb
// connection once the application object exists; before that, and on any other Qt platform,
// window services answer empty.
std::unique_ptr<Platform> createPlatform();

}  // namespace platform::x11
