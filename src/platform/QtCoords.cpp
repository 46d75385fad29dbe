// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtCoords.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace QtCoords {

QPointF primaryOrigin() {
    if (const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr) {
        return primary->geometry().topLeft();
    }
    return {};
}

namespace {

// Geometry beyond what a window system can hold is clamped rather than overflowing.
constexpr double kMax = 1 << 24;
// Frames read on a scaled screen fall between logical pixels; a rectangle grows to the whole
// pixels around it, so a cover never leaves a sliver of its chat showing. The tolerance keeps
// a value that is whole but for rounding noise from growing by a pixel.
constexpr double kTolerance = 1e-6;

int floored(double v) {
    return static_cast<int>(std::floor(std::clamp(v + kTolerance, -kMax, kMax)));
}

int ceiled(double v) {
    return static_cast<int>(std::ceil(std::clamp(v - kTolerance, -kMax, kMax)));
}

}  // namespace

QRect toQt(const platform::Rect& r, QPointF o) {
    return QRect(QPoint(floored(o.x() + r.x), floored(o.y() + r.y)),
                 QPoint(ceiled(o.x() + r.x + r.width) - 1, ceiled(o.y() + r.y + r.height) - 1));
}

platform::Rect fromQt(const QRect& q, QPointF o) {
    return {q.x() - o.x(), q.y() - o.y(), static_cast<double>(q.width()),
            static_cast<double>(q.height())};
}

platform::Point fromQt(const QPointF& p, QPointF o) {
    return {p.x() - o.x(), p.y() - o.y()};
}

QPointF toQt(const platform::Point& p, QPointF o) {
    return {o.x() + p.x, o.y() + p.y};
}

}  // namespace QtCoords
