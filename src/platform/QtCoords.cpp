#include "platform/QtCoords.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QScreen>

#include "platform/Platform.h"

namespace QtCoords {

platform::Rect flipped(const platform::Rect& r) {
    const auto primary = platform::current().screens().primaryFrame();
    const double h = primary ? primary->height : r.maxY();
    return {r.x, h - r.y - r.height, r.width, r.height};
}

Anchor currentAnchor() {
    Anchor a;
    if (const auto primary = platform::current().screens().primaryFrame()) {
        a.height = primary->height;
    }
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        a.origin = primary->geometry().topLeft();
    }
    return a;
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

QRect toQt(const platform::Rect& r, const Anchor& a) {
    const double top = a.origin.y() + a.height - r.y - r.height;
    return QRect(QPoint(floored(a.origin.x() + r.x), floored(top)),
                 QPoint(ceiled(a.origin.x() + r.x + r.width) - 1, ceiled(top + r.height) - 1));
}

platform::Rect fromQt(const QRect& q, const Anchor& a) {
    return {q.x() - a.origin.x(), a.origin.y() + a.height - q.y() - q.height(),
            static_cast<double>(q.width()), static_cast<double>(q.height())};
}

platform::Point fromQt(const QPointF& p, const Anchor& a) {
    return {p.x() - a.origin.x(), a.origin.y() + a.height - p.y()};
}

QPointF toQt(const platform::Point& p, const Anchor& a) {
    return {a.origin.x() + p.x, a.origin.y() + a.height - p.y};
}

}  // namespace QtCoords
