#include <gtest/gtest.h>

#include "app/AppIcon.h"

TEST(AppIcon, EverySizeADesktopAsksForIsDrawnForItself) {
    const QIcon icon = appIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (const int n : {16, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;
    }
    // The picture: a dark tile, clear beyond its rounded corners, with a white page on it.
    const QImage image = icon.pixmap(QSize(64, 64)).toImage();
    ASSERT_EQ(image.size(), QSize(64, 64));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(image.pixelColor(4, 32), QColor(0x33, 0x37, 0x3d));
    EXPECT_EQ(image.pixelColor(45, 50), QColor(Qt::white));
}
