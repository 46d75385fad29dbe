#pragma once

#include <QPoint>
#include <QRect>

#include "platform/Geometry.h"

// The one place where screen coordinates (origin bottom-left of the primary screen, y up) meet
// Qt's global coordinates (origin top-left of the whole virtual desktop, y down). The primary
// screen's height comes from the platform's screen list, its position from Qt.
namespace QtCoords {

QRect toQt(const platform::Rect& screenRect);
platform::Rect fromQt(const QRect& qtRect);
platform::Point fromQt(const QPointF& qtPoint);
QPointF toQt(const platform::Point& screenPoint);

}  // namespace QtCoords
