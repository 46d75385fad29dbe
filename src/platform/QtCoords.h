#pragma once

#include <QPoint>
#include <QRect>

#include "platform/Geometry.h"

// The one place where the coordinate spaces meet: accessibility coordinates (origin top-left of
// the primary screen, y down), screen coordinates (origin bottom-left of the primary screen,
// y up) and Qt's global coordinates (origin top-left of the whole virtual desktop, y down). The
// primary screen's height comes from the platform's screen list, its position from Qt.
namespace QtCoords {

// Accessibility space to screen space and back: a flip about the primary screen's height, its
// own inverse. With no screen at all the result's y is 0.
platform::Rect flipped(const platform::Rect& r);

// Where the primary screen sits: all a conversion needs.
struct Anchor {
    double height = 0;  // the primary screen's height in points
    QPointF origin;     // the primary screen's top-left in Qt's global coordinates
};
Anchor currentAnchor();

QRect toQt(const platform::Rect& screenRect, const Anchor& a);
platform::Rect fromQt(const QRect& qtRect, const Anchor& a);
platform::Point fromQt(const QPointF& qtPoint, const Anchor& a);
QPointF toQt(const platform::Point& screenPoint, const Anchor& a);

// The same against the current screens.
inline QRect toQt(const platform::Rect& r) {
    return toQt(r, currentAnchor());
}
inline platform::Rect fromQt(const QRect& r) {
    return fromQt(r, currentAnchor());
}
inline platform::Point fromQt(const QPointF& p) {
    return fromQt(p, currentAnchor());
}
inline QPointF toQt(const platform::Point& p) {
    return toQt(p, currentAnchor());
}

}  // namespace QtCoords
