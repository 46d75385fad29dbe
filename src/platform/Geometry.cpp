// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {
// Rectangles with negative sizes are normalised first, as a window server would report them.
Rect standardized(const Rect& r) {
    Rect s = r;
    if (s.width < 0) {
        s.x += s.width;
        s.width = -s.width;
    }
    if (s.height < 0) {
        s.y += s.height;
        s.height = -s.height;
    }
    return s;
}
}  // namespace

Rect Rect::intersected(const Rect& other) const {
    if (isNull() || other.isNull()) {
        return Rect::null();
    }
    const Rect a = standardized(*this);
    const Rect b = standardized(other);
    const double left = std::max(a.minX(), b.minX());
    const double right = std::min(a.maxX(), b.maxX());
    const double bottom = std::max(a.minY(), b.minY());
    const double top = std::min(a.maxY(), b.maxY());
    // Touching edges still intersect (zero area); only a real gap gives the null rectangle.
    if (left > right || bottom > top) {
        return Rect::null();
    }
    return {left, bottom, right - left, top - bottom};
}

bool Rect::intersects(const Rect& other) const {
    const Rect r = intersected(other);
    return !r.isNull() && r.width > 0 && r.height > 0;
}

bool Rect::contains(Point p) const {
    if (isNull()) {
        return false;
    }
    const Rect s = standardized(*this);
    return p.x >= s.minX() && p.x < s.maxX() && p.y >= s.minY() && p.y < s.maxY();
}

std::int64_t truncatedInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double kLimit = 9223372036854775808.0;  // 2^63, exact in a double
    if (v >= kLimit) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (v < -kLimit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(v);
}

}  // namespace platform
