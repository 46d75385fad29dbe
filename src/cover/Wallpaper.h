// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include <QImage>

#include "platform/Geometry.h"
#include "platform/Screens.h"

namespace platform {
class Platform;
}

// The desktop picture of each screen, from a live capture of the desktop window or else from
// the picture file, each cached for the life of the process. A failure is never cached.
namespace Wallpaper {

// A captured picture and the size, in points, it stands for.
struct Picture {
    QImage image;
    platform::Size size;
};

// The process-wide caches.
struct Caches {
    explicit Caches(platform::Platform&) {}
    std::map<std::uint32_t, Picture> cache;   // display number -> live capture
    std::map<std::string, QImage> fileCache;  // file path -> loaded picture
};
Caches& caches();

std::optional<std::uint32_t> displayID(const platform::Screen& screen);
// A fresh capture of the desktop window that matches the screen's rectangle best.
std::optional<Picture> captureDesktopImage(const platform::Rect& screenFrame);
std::optional<Picture> captured(const platform::Screen& screen);
std::optional<QImage> fileImage(const platform::Screen& screen);

}  // namespace Wallpaper
