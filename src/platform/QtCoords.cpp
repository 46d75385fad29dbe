#include "platform/QtCoords.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QScreen>

#include "platform/Platform.h"

namespace QtCoords {

Anchor currentAnchor() {
    Anchor a;
    const auto screens = platform::current().screens().screens();
    if (!screens.empty()) {
        a.height = screens.front().frame.height;
    }
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        a.origin = primary->geometry().topLeft();
    }
    return a;
}

namespace {

int rounded(double v) {
    // Geometry beyond what a window system can hold is clamped rather than overflowing.
    constexpr double kMax = 1 << 24;
    return static_cast<int>(std::lround(std::clamp(v, -kMax, kMax)));
}

}  // namespace

QRect toQt(const platform::Rect& r, const Anchor& a) {
    const double top = a.origin.y() + a.height - r.y - r.height;
    const int left = rounded(a.origin.x() + r.x);
    const int qtTop = rounded(top);
    return QRect(QPoint(left, qtTop),
                 QPoint(rounded(a.origin.x() + r.x + r.width) - 1, rounded(top + r.height) - 1));
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
