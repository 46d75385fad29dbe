// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "platform/QtCoords.h"
#include "platform/x11/ScreenScale.h"

using platform::Point;
using platform::Rect;
using platform::x11::ScreenScale;

namespace {

// What Qt does with a window's logical geometry on a scaled screen: positions scale about the
// screen's top-left corner, sizes scale alone, each rounded to a whole device pixel.
QRect qtToDevice(const QRect& logical, const Rect& screen, double ratio) {
    const auto at = [&](int v, double origin) {
        return static_cast<int>(std::lround((v - origin) * ratio) + origin);
    };
    return {at(logical.x(), screen.x), at(logical.y(), screen.y),
            static_cast<int>(std::lround(logical.width() * ratio)),
            static_cast<int>(std::lround(logical.height() * ratio))};
}

}  // namespace

// The whole way a chat's frame takes to become its cover: device pixels read from X, logical
// pixels, the program's desktop space, Qt's window geometry, and Qt's own scaling back.
TEST(ScreenScale, CoversHideEveryDevicePixelOfTheirChatAtAnyRatio) {
    for (const double ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 3.0}) {
        const Rect primary{0, 0, std::floor(2880 / ratio), std::floor(1800 / ratio)};
        const ScreenScale scale({{primary, ratio}});
        for (int x = 95; x < 105; ++x) {
            SCOPED_TRACE(testing::Message() << "ratio " << ratio << " x " << x);
            for (int w = 395; w < 405; ++w) {
                const Rect chat{static_cast<double>(x), static_cast<double>(x + 7),
                                static_cast<double>(w), static_cast<double>(w + 3)};
                const QRect cover =
                    qtToDevice(QtCoords::toQt(scale.toLogical(chat), {}), primary, ratio);
                // Never short of the chat on any side, and past it by less than two logical
                // pixels; exact where nothing scales.
                ASSERT_TRUE(cover.contains(QRect(x, x + 7, w, w + 3)))
                    << cover.x() << " " << cover.width();
                ASSERT_LT(chat.x - cover.x(), 2 * ratio);
                ASSERT_LT(cover.x() + cover.width() - chat.maxX(), 2 * ratio);
                if (ratio == 1.0) {
                    ASSERT_EQ(cover, QRect(x, x + 7, w, w + 3));
                }
            }
        }
    }
}

// A 1920 x 1080 screen at ratio 1 and, to its right, a 2560 x 1440 panel at ratio 2: Qt keeps
// the panel's corner at device x 1920 and gives it 1280 x 720 logical pixels.
TEST(ScreenScale, EachScreenScalesAboutItsOwnCorner) {
    const ScreenScale scale({{{0, 0, 1920, 1080}, 1}, {{1920, 0, 1280, 720}, 2}});
    EXPECT_EQ(scale.toLogical(Rect(2020, 100, 400, 300)), Rect(1970, 50, 200, 150));
    EXPECT_EQ(scale.ratioAt(Rect(2020, 100, 400, 300)), 2);
    // A window across the border belongs to the screen that holds its centre.
    EXPECT_EQ(scale.ratioAt(Rect(1800, 0, 400, 300)), 2);
    // Writes go back the same way.
    EXPECT_EQ(scale.toDevice(Point{1970, 50}), (Point{2020, 100}));
    EXPECT_EQ(scale.toLogical(Point{2020, 100}), (Point{1970, 50}));
    // Outside every screen: the primary's terms.
    EXPECT_EQ(scale.toLogical(Rect(-500, -500, 10, 10)), Rect(-500, -500, 10, 10));
}
