// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Plain value geometry shared by every subsystem. Unless a comment says otherwise, positions are
// in desktop coordinates: logical pixels, y down, origin at the primary screen's top-left.

namespace platform {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Rect() = default;
    Rect(double x_, double y_, double width_, double height_)
        : x(x_), y(y_), width(width_), height(height_) {}

    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    double area() const { return width * height; }

    // An empty intersection is "null": the overlap test below tells it apart from a touching
    // edge, which yields a zero-area but non-null rectangle.
    bool isNull() const { return null_; }
    static Rect null() {
        Rect r;
        r.null_ = true;
        return r;
    }

    Rect intersected(const Rect& other) const;
    bool intersects(const Rect& other) const;
    bool contains(Point p) const;

    friend bool operator==(const Rect& a, const Rect& b) {
        return a.null_ == b.null_ && a.x == b.x && a.y == b.y && a.width == b.width &&
               a.height == b.height;
    }

  private:
    bool null_ = false;
};

// Truncation toward zero that is defined for every double: NaN gives 0, values beyond the
// 64-bit range clamp to its ends.
std::int64_t truncatedInt(double v);

}  // namespace platform
