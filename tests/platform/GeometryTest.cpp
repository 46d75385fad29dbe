#include <gtest/gtest.h>

#include "platform/Geometry.h"

using platform::Rect;

TEST(Geometry, IntersectionTellsAGapFromATouchingEdge) {
    const Rect a{0, 0, 100, 100};
    EXPECT_EQ(a.intersected({50, 50, 100, 100}), Rect(50, 50, 50, 50));
    // Touching edges meet in a zero-area rectangle that is not null.
    const Rect touching = a.intersected({100, 0, 50, 50});
    EXPECT_FALSE(touching.isNull());
    EXPECT_EQ(touching.area(), 0);
    EXPECT_FALSE(a.intersects({100, 0, 50, 50}));
    // A real gap is null.
    EXPECT_TRUE(a.intersected({101, 0, 50, 50}).isNull());
    EXPECT_TRUE(Rect::null().intersected(a).isNull());
}

TEST(Geometry, NegativeSizesAreNormalisedBeforeIntersecting) {
    const Rect flipped{100, 100, -100, -100};  // the same square as (0, 0, 100, 100)
    EXPECT_EQ(flipped.intersected({50, 50, 10, 10}), Rect(50, 50, 10, 10));
    EXPECT_TRUE(flipped.contains({10, 10}));
}

TEST(Geometry, ContainsIsHalfOpen) {
    const Rect r{0, 0, 10, 10};
    EXPECT_TRUE(r.contains({0, 0}));
    EXPECT_FALSE(r.contains({10, 5}));
    EXPECT_FALSE(Rect::null().contains({0, 0}));
}
