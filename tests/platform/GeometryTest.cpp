// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/Geometry.h"
#include "platform/QtCoords.h"

using platform::Point;
using platform::Rect;

TEST(Geometry, IntersectionTellsAGapFromATouchingEdgeAndContainsIsHalfOpen) {
    const Rect a{0, 0, 100, 100};
    // Touching edges meet in a zero-area rectangle that is not null; a real gap is null.
    EXPECT_EQ(a.intersected({100, 0, 50, 50}), Rect(100, 0, 0, 50));
    EXPECT_FALSE(a.intersects({100, 0, 50, 50}));
    EXPECT_TRUE(a.intersected({101, 0, 50, 50}).isNull());
    EXPECT_TRUE(Rect::null().intersected(a).isNull());
    // Negative sizes are normalised first: this is the same square as `a`.
    const Rect flipped{100, 100, -100, -100};
    EXPECT_EQ(flipped.intersected({50, 50, 10, 10}), Rect(50, 50, 10, 10));
    EXPECT_TRUE(flipped.contains({10, 10}));
    EXPECT_FALSE(a.contains({100, 5}));
    EXPECT_FALSE(Rect::null().contains({0, 0}));
}

// A primary screen to the right of, and lower than, a second screen: its top-left is
// (1280, 200) in Qt's global space, not (0, 0).
TEST(QtCoords, ConvertsAgainstAPrimaryScreenAwayFromTheOrigin) {
    const QPointF origin(1280, 200);
    const Rect desktop{100, 50, 400, 300};
    EXPECT_EQ(QtCoords::toQt(desktop, origin), QRect(1380, 250, 400, 300));
    EXPECT_EQ(QtCoords::fromQt(QRect(1380, 250, 400, 300), origin), desktop);
    // The other screen lies at negative x in desktop space.
    EXPECT_EQ(QtCoords::toQt(Point{-1280, 0}, origin), QPointF(0, 200));
    // Frames between whole pixels (a scaled screen) grow to the pixels around them; huge ones
    // are clamped, not overflowed.
    EXPECT_EQ(QtCoords::toQt(Rect{10.4, 20.6, 100.2, 50}, {}), QRect(10, 20, 101, 51));
    const QRect huge = QtCoords::toQt(Rect{1e300, -1e300, 10, 10}, {});
    EXPECT_GT(huge.x(), 0);
    EXPECT_LT(huge.y(), 0);
}
