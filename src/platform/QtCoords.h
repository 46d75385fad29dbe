// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>

#include "platform/Geometry.h"

// Desktop coordinates (logical pixels, y down, origin at the primary screen's top-left) and
// Qt's global coordinates (the same, but with the origin at the top-left of the whole virtual
// desktop) differ only by where the primary screen sits.
namespace QtCoords {

// The primary screen's top-left in Qt's global coordinates; (0, 0) without a screen.
QPointF primaryOrigin();

QRect toQt(const platform::Rect& desktopRect, QPointF origin);
platform::Rect fromQt(const QRect& qtRect, QPointF origin);
platform::Point fromQt(const QPointF& qtPoint, QPointF origin);
QPointF toQt(const platform::Point& desktopPoint, QPointF origin);

// The same against the current screens.
inline QRect toQt(const platform::Rect& r) {
    return toQt(r, primaryOrigin());
}
inline platform::Rect fromQt(const QRect& r) {
    return fromQt(r, primaryOrigin());
}
inline platform::Point fromQt(const QPointF& p) {
    return fromQt(p, primaryOrigin());
}
inline QPointF toQt(const platform::Point& p) {
    return toQt(p, primaryOrigin());
}

}  // namespace QtCoords
