// SPDX-License-Identifier: GPL-3.0-or-later
#include <tuple>
#include <vector>

#include <QBitmap>
#include <QRegion>

#include <gtest/gtest.h>

#include "cover/CoverPainter.h"

using platform::Rect;

// The region drawn corner by corner must be the very pixels of the whole page drawn at once:
// a pixel off at a corner or a hole's edge shows the chat through the cover or cuts the page.
TEST(CoverShapeTest, TheRegionDrawnPieceByPieceIsThePageDrawnWhole) {
    // What each case is, the page's size and its holes (in the view's space: origin at the
    // bottom left).
    const std::tuple<const char*, int, int, std::vector<Rect>> cases[] = {
        {"a page smaller than its corners", 15, 9, {}},
        {"a hole inside", 600, 400, {{100, 80, 200, 150}}},
        {"a hole at fractional edges", 600, 400, {{100.5, 80.25, 200.3, 150.75}}},
        {"a hole over the corner", 500, 300, {{-40, -30, 120, 90}}},
        {"overlapping holes", 800, 600, {{100, 100, 300, 200}, {250, 200, 300, 250}}},
        {"a hole over the whole page", 300, 200, {{-10, -10, 400, 300}}},
        {"far from the origin", 1920, 1200, {{1700.5, 1000.5, 300, 300}, {3, 3, 40, 40}}},
    };
    for (const auto& [what, width, height, holes] : cases) {
        const QRegion fast = CoverPainter::coverageRegion(width, height, holes);
        const QImage mask = CoverPainter::coverageMask(width, height, holes);
        const QRegion whole(QBitmap::fromImage(mask.createAlphaMask()));
        EXPECT_EQ(fast.xored(whole), QRegion())
            << what << ": " << fast.xored(whole).rectCount() << " rectangles differ";
    }
    EXPECT_TRUE(CoverPainter::coverageRegion(0, 100, {}).isEmpty());
}
