#include <gtest/gtest.h>

#include "platform/QtCoords.h"

using platform::Point;
using platform::Rect;
using QtCoords::Anchor;

// A 1920 x 1080 primary screen to the right of, and lower than, a second screen: its top-left
// is (1280, 200) in Qt's global space, not (0, 0).
TEST(QtCoords, ConvertsAgainstAPrimaryScreenAwayFromTheOrigin) {
    const Anchor a{1080, QPointF(1280, 200)};
    // A window 100 points from the primary's left and 50 from its bottom edge.
    const Rect screen{100, 50, 400, 300};
    const QRect qt = QtCoords::toQt(screen, a);
    EXPECT_EQ(qt, QRect(1380, 200 + 1080 - 50 - 300, 400, 300));
    EXPECT_EQ(QtCoords::fromQt(qt, a), screen);
    // The other screen lies at negative x in screen space.
    EXPECT_EQ(QtCoords::fromQt(QPointF(0, 200 + 1080), a), (Point{-1280, 0}));
    EXPECT_EQ(QtCoords::toQt(Point{-1280, 0}, a), QPointF(0, 1280));
}

TEST(QtCoords, HugeGeometryIsClampedNotOverflowed) {
    const Anchor a{900, QPointF(0, 0)};
    const QRect qt = QtCoords::toQt(Rect{1e300, -1e300, 10, 10}, a);
    EXPECT_GT(qt.x(), 0);
    EXPECT_GT(qt.y(), 0);
}
