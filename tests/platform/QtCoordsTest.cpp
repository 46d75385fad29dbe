#include <gtest/gtest.h>

#include "platform/QtCoords.h"

using platform::Point;
using platform::Rect;

// A primary screen to the right of, and lower than, a second screen: its top-left is
// (1280, 200) in Qt's global space, not (0, 0).
TEST(QtCoords, ConvertsAgainstAPrimaryScreenAwayFromTheOrigin) {
    const QPointF origin(1280, 200);
    const Rect desktop{100, 50, 400, 300};
    const QRect qt = QtCoords::toQt(desktop, origin);
    EXPECT_EQ(qt, QRect(1380, 250, 400, 300));
    EXPECT_EQ(QtCoords::fromQt(qt, origin), desktop);
    // The other screen lies at negative x in desktop space.
    EXPECT_EQ(QtCoords::fromQt(QPointF(0, 200), origin), (Point{-1280, 0}));
    EXPECT_EQ(QtCoords::toQt(Point{-1280, 0}, origin), QPointF(0, 200));
}

// Frames between whole pixels (a scaled screen) grow to the pixels around them.
TEST(QtCoords, FractionalFramesGrowToWholePixels) {
    EXPECT_EQ(QtCoords::toQt(Rect{10.4, 20.6, 100.2, 50}, {}), QRect(10, 20, 101, 51));
    EXPECT_EQ(QtCoords::toQt(Rect{10 + 1e-9, 20, 100, 50}, {}), QRect(10, 20, 100, 50));
}

TEST(QtCoords, HugeGeometryIsClampedNotOverflowed) {
    const QRect qt = QtCoords::toQt(Rect{1e300, -1e300, 10, 10}, {});
    EXPECT_GT(qt.x(), 0);
    EXPECT_LT(qt.y(), 0);
}
