#include "cover/Wallpaper.h"

#include <cmath>

#include "common/Log.h"
#include "discovery/AX.h"
#include "platform/Platform.h"

namespace Wallpaper {

namespace {

struct Candidate {
    std::uint32_t number = 0;
    platform::Rect rect;
};

// A window at or below the desktop level, with a number and a whole bounds rectangle.
std::optional<Candidate> candidateFrom(const platform::InfoDict& d, std::int64_t desktopLevel) {
    using namespace platform;
    const InfoValue* layer = d.find(wininfo::kLayer);
    const InfoValue* number = d.find(wininfo::kNumber);
    const InfoValue* bounds = d.find(wininfo::kBounds);
    const auto* l = layer ? std::get_if<std::int64_t>(layer) : nullptr;
    const auto* n = number ? std::get_if<std::int64_t>(number) : nullptr;
    const auto* b = bounds ? std::get_if<InfoBounds>(bounds) : nullptr;
    if (!l || *l > desktopLevel || !n || *n < 0 || *n > 0xFFFFFFFFLL || !b) {
        return std::nullopt;
    }
    double v[4];
    const char* keys[4] = {wininfo::kX, wininfo::kY, wininfo::kWidth, wininfo::kHeight};
    for (int i = 0; i < 4; ++i) {
        const InfoScalar* s = b->find(keys[i]);
        if (const double* d = s ? std::get_if<double>(s) : nullptr) {
            v[i] = *d;
        } else if (const std::int64_t* k = s ? std::get_if<std::int64_t>(s) : nullptr) {
            v[i] = static_cast<double>(*k);
        } else {
            return std::nullopt;
        }
    }
    return Candidate{static_cast<std::uint32_t>(*n), {v[0], v[1], v[2], v[3]}};
}

const Candidate* pick(const std::vector<Candidate>& cands, const platform::Rect& r) {
    for (const Candidate& c : cands) {
        if (std::abs(c.rect.x - r.x) < 2 && std::abs(c.rect.y - r.y) < 2) {
            return &c;
        }
    }
    for (const Candidate& c : cands) {
        if (std::abs(c.rect.width - r.width) < 2 && std::abs(c.rect.height - r.height) < 2) {
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
    out += std::to_string(c->number);
    out += ' ';
    out += Log::whole(c->rect.width);
    out += 'x';
    out += Log::whole(c->rect.height);
    return out;
}

}  // namespace

Caches& caches() {
    return platform::current().state<Caches>();
}

std::optional<std::uint32_t> displayID(const platform::Screen& screen) {
    return screen.displayNumber;
}

// Flipping about the primary screen's height is its own inverse: the conversion that turns
// top-left frames into screen frames also turns screen frames into top-left ones.
platform::Rect cgFrame(const platform::Screen& screen) {
    return axFrameToCocoa(screen.frame);
}

std::optional<Picture> captureDesktopImage(const platform::Rect& r) {
    auto& server = platform::current().windowServer();
    const auto list = server.windowList(platform::wininfo::kOptionAll, 0);
    if (!list) {
        return std::nullopt;
    }
    const std::int64_t level = server.desktopWindowLevel();
    std::vector<Candidate> cands;
    for (const platform::InfoDict& d : *list) {
        if (auto c = candidateFrom(d, level)) {
            cands.push_back(*c);
        }
    }
    const Candidate* chosen = pick(cands, r);
    Log::line("WP cands=" + std::to_string(cands.size()) + " pick=" + describe(chosen));
    if (!chosen) {
        return std::nullopt;
    }
    auto image = server.windowImage(chosen->number);
    if (!image || image->isNull()) {
        return std::nullopt;
    }
    return Picture{*image, {chosen->rect.width, chosen->rect.height}};
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
    const platform::Rect cg = cgFrame(screen);
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
