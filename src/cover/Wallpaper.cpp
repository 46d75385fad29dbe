// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/Wallpaper.h"

#include <cmath>

#include "common/Log.h"
#include "platform/Platform.h"

namespace Wallpaper {

namespace {

using Candidate = platform::ScreenWindow;

const Candidate* pick(const std::vector<Candidate>& cands, const platform::Rect& r) {
    for (const Candidate& c : cands) {
        if (std::abs(c.frame.x - r.x) < 2 && std::abs(c.frame.y - r.y) < 2) {
            return &c;
        }
    }
    for (const Candidate& c : cands) {
        if (std::abs(c.frame.width - r.width) < 2 && std::abs(c.frame.height - r.height) < 2) {
            return &c;
        }
    }
    return cands.empty() ? nullptr : &cands.front();
}

// Appended piece by piece: GCC 12 sees a false overlap in a chain of + starting from a short
// literal and, at -O3, warns about it.
std::string describe(const Candidate* c) {
    if (!c) {
        return "nil";
    }
    std::string out = "#";
    out += std::to_string(c->id);
    out += ' ';
    out += Log::whole(c->frame.width);
    out += 'x';
    out += Log::whole(c->frame.height);
    return out;
}

}  // namespace

Caches& caches() {
    return platform::current().state<Caches>();
}

std::optional<std::uint32_t> displayID(const platform::Screen& screen) {
    return screen.displayNumber;
}

std::optional<Picture> captureDesktopImage(const platform::Rect& r) {
    auto& server = platform::current().windowServer();
    const std::vector<Candidate> cands = server.desktopWindows();
    const Candidate* chosen = pick(cands, r);
    Log::line("WP cands=" + std::to_string(cands.size()) + " pick=" + describe(chosen));
    if (!chosen) {
        return std::nullopt;
    }
    auto image = server.windowImage(chosen->id);
    if (!image || image->isNull()) {
        return std::nullopt;
    }
    return Picture{*image, {chosen->frame.width, chosen->frame.height}};
}

std::optional<Picture> captured(const platform::Screen& screen) {
    const auto id = displayID(screen);
    if (!id) {
        Log::line("WP: no displayID");
        return std::nullopt;
    }
    auto& cache = caches().cache;
    if (auto hit = cache.find(*id); hit != cache.end()) {
        return hit->second;
    }
    if (!platform::current().windowServer().screenCaptureAllowed()) {
        Log::line("WP: no screen-rec perm");
        return std::nullopt;
    }
    const platform::Rect cg = screen.frame;
    auto picture = captureDesktopImage(cg);
    Log::line("WP capture id=" + std::to_string(*id) + " cg=" + Log::whole(cg.x) + "," +
              Log::whole(cg.y) + "," + Log::whole(cg.width) + "," + Log::whole(cg.height) + " -> " +
              (picture ? "OK" : "NIL(파일폴백)"));
    if (!picture) {
        return std::nullopt;
    }
    cache.emplace(*id, *picture);
    return picture;
}

std::optional<QImage> fileImage(const platform::Screen& screen) {
    const auto path = platform::current().workspace().desktopPictureFile(screen);
    if (!path) {
        return std::nullopt;
    }
    auto& files = caches().fileCache;
    if (auto hit = files.find(*path); hit != files.end()) {
        return hit->second;
    }
    QImage image(QString::fromStdString(*path));
    if (image.isNull()) {
        return std::nullopt;
    }
    files.emplace(*path, image);
    return image;
}

}  // namespace Wallpaper
