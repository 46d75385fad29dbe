// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QImage>
#include <QPainter>

#include "SimFixture.h"
#include "cover/CoverPainter.h"
#include "cover/CoverView.h"
#include "cover/Wallpaper.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

class WallpaperTest : public SimTest {
  protected:
    // A desktop-level window showing a solid colour; the first one also adds its application.
    void addDesktopWindow(std::uint32_t number, Rect bounds, QColor colour) {
        if (!sim.model().app(1)) {
            sim.addApp(1, "desktop", "Desktop");
        }
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        sim.addWindow(
            {.number = number, .pid = 1, .frame = bounds, .desktop = true, .image = image});
    }
    Screen primary() { return current().screens().screens().front(); }
};

TEST_F(WallpaperTest, CapturesAreCachedPerScreenButFailuresAreNot) {
    sim.model().screenCaptureAllowed = false;
    EXPECT_FALSE(Wallpaper::captured(primary()));

    sim.model().screenCaptureAllowed = true;
    EXPECT_FALSE(Wallpaper::captured(primary()));  // nothing to capture yet

    addDesktopWindow(7, {0, 0, 1440, 900}, Qt::darkCyan);
    ASSERT_TRUE(Wallpaper::captured(primary()));
    sim.window(7).image->fill(Qt::yellow);  // a later change is not seen: the capture is kept
    EXPECT_EQ(Wallpaper::captured(primary())->image.pixelColor(0, 0), QColor(Qt::darkCyan));

    Screen unnamed = primary();
    unnamed.displayNumber.reset();
    EXPECT_FALSE(Wallpaper::captured(unnamed));

    // Picture files are cached by path and tried again until they load.
    const QString path = QString::fromStdString(sim.model().temporaryDirectory) + "/바다.png";
    sim.model().desktopPictures[1] = path.toStdString();
    EXPECT_FALSE(Wallpaper::fileImage(primary()));  // not there yet
    QImage file(4, 3, QImage::Format_RGB32);
    file.fill(Qt::magenta);
    ASSERT_TRUE(file.save(path));
    ASSERT_TRUE(Wallpaper::fileImage(primary()));
    QFile::remove(path);
    EXPECT_EQ(Wallpaper::fileImage(primary())->pixelColor(0, 0), QColor(Qt::magenta));
}

// Two screens side by side, each with its own picture: a cover on the second one that only
// touches the first along its edge shows the second one's picture.
TEST_F(WallpaperTest, ACoverShowsThePictureOfTheScreenItLiesOnNotOneItTouches) {
    sim.model().screens.push_back({{1440, 0, 1280, 900}, {1440, 0, 1280, 900}, 2});
    addDesktopWindow(7, {0, 0, 1440, 900}, Qt::red);
    addDesktopWindow(8, {1440, 0, 1280, 900}, Qt::blue);
    CoverPainter::Scene scene;
    scene.mode = DisguiseMode::wallpaper;
    scene.width = scene.height = 100;
    scene.windowScreenFrame = {1440, 100, 100, 100};
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    EXPECT_FALSE(CoverPainter::paint(p, scene).pictureMissing);
    p.end();
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::blue));
}

// A picture that cannot be had yet (none set at login, say) is tried again while the cover
// stands still, ever less often, and no more once it is there.
TEST_F(WallpaperTest, AMissingPictureIsTriedAgainUntilItComes) {
    CoverView view;
    view.resize(100, 100);
    const auto syncs = [&](int n) {
        const int before = view.repaintRequests();
        for (int i = 0; i < n; ++i) {
            view.setContent(DisguiseMode::wallpaper, {200, 200, 100, 100}, {});
        }
        return view.repaintRequests() - before;
    };
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    syncs(1);
    view.render(&image);     // no desktop window: nothing to capture
    EXPECT_EQ(syncs(1), 1);  // at the very next sync
    view.render(&image);
    const int retries = syncs(100);
    EXPECT_GE(retries, 3);
    EXPECT_LE(retries, 6);

    addDesktopWindow(7, {0, 0, 1440, 900}, Qt::darkCyan);
    for (int i = 0; i < 40 && syncs(1) == 0; ++i) {
    }
    view.render(&image);
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::darkCyan));
    EXPECT_EQ(syncs(100), 0);
}
