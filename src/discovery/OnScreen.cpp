#include "discovery/OnScreen.h"

#include <algorithm>
#include <limits>

#include "platform/Platform.h"

using platform::InfoDict;
using platform::InfoValue;
namespace wininfo = platform::wininfo;

namespace Discovery {

namespace {

constexpr std::uint32_t kOnScreenOptions =
    wininfo::kOptionOnScreenOnly | wininfo::kOptionExcludeDesktopElements;

std::optional<std::int64_t> integerEntry(const InfoDict& d, const char* key) {
    const InfoValue* v = d.find(key);
    const std::int64_t* i = v ? std::get_if<std::int64_t>(v) : nullptr;
    if (!i) {
        return std::nullopt;
    }
    return *i;
}

std::optional<std::uint32_t> windowNumber(const InfoDict& d) {
    const auto n = integerEntry(d, wininfo::kNumber);
    if (!n || *n < 0 || *n > std::int64_t{std::numeric_limits<std::uint32_t>::max()}) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*n);
}

std::optional<std::int32_t> ownerPid(const InfoDict& d) {
    const auto p = integerEntry(d, wininfo::kOwnerPID);
    if (!p || *p < std::numeric_limits<std::int32_t>::min() ||
        *p > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*p);
}

std::optional<double> numberEntry(const platform::InfoBounds& b, const char* key) {
    const platform::InfoScalar* v = b.find(key);
    if (!v) {
        return std::nullopt;
    }
    if (const double* d = std::get_if<double>(v)) {
        return *d;
    }
    if (const std::int64_t* i = std::get_if<std::int64_t>(v)) {
        return static_cast<double>(*i);
    }
    return std::nullopt;
}

// All four numbers or the zero rectangle: there is no partial rectangle.
platform::Rect boundsEntry(const InfoDict& d) {
    const InfoValue* v = d.find(wininfo::kBounds);
    const auto* b = v ? std::get_if<platform::InfoBounds>(v) : nullptr;
    if (!b) {
        return {};
    }
    const auto x = numberEntry(*b, wininfo::kX);
    const auto y = numberEntry(*b, wininfo::kY);
    const auto w = numberEntry(*b, wininfo::kWidth);
    const auto h = numberEntry(*b, wininfo::kHeight);
    if (!x || !y || !w || !h) {
        return {};
    }
    return {*x, *y, *w, *h};
}

platform::WindowInfoListPtr fetchOnScreen() {
    return platform::current().windowServer().windowList(kOnScreenOptions, 0);
}

}  // namespace

std::optional<platform::RunningApp> kakaoApp() {
    auto apps = platform::current().workspace().runningApplications(kMessengerIdentifier);
    if (apps.empty()) {
        return std::nullopt;
    }
    return apps.front();
}

std::vector<OnScreenWin> onScreenWindows() {
    std::vector<OnScreenWin> out;
    const auto list = fetchOnScreen();
    if (!list) {
        return out;
    }
    out.reserve(list->size());
    for (const InfoDict& d : *list) {
        const auto number = windowNumber(d);
        if (!number) {
            continue;
        }
        const auto pid = ownerPid(d);
        if (!pid) {
            continue;
        }
        out.push_back(
            {*number, *pid, integerEntry(d, wininfo::kLayer).value_or(0), boundsEntry(d)});
    }
    return out;
}

std::unordered_map<std::uint32_t, int> frontIndexMap() {
    std::unordered_map<std::uint32_t, int> map;
    const auto list = fetchOnScreen();
    if (!list) {
        return map;
    }
    map.reserve(list->size());
    int position = 0;
    // Every entry takes up a position, even one that cannot be named.
    for (const InfoDict& d : *list) {
        if (const auto number = windowNumber(d)) {
            map[*number] = position;
        }
        ++position;
    }
    return map;
}

bool isOccluded(const KWindow& w, const std::vector<OnScreenWin>& snapshot, std::int32_t kakaoPid) {
    const auto self = std::find_if(snapshot.begin(), snapshot.end(),
                                   [&](const OnScreenWin& e) { return e.number == w.id; });
    if (self == snapshot.end() || self == snapshot.begin()) {
        return false;
    }
    const std::int32_t own = platform::current().workspace().ownPid();
    const double threshold = 0.9 * std::max(w.frame.area(), 1.0);
    for (auto e = snapshot.begin(); e != self; ++e) {
        if (e->pid == own || e->pid == kakaoPid || e->layer != 0) {
            continue;
        }
        const platform::Rect overlap = e->bounds.intersected(w.frame);
        if (!overlap.isNull() && overlap.area() >= threshold) {
            return true;
        }
    }
    return false;
}

}  // namespace Discovery
