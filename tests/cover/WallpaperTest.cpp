#include <fstream>

#include <QDir>
#include <QFile>
#include <QImage>

#include "SimFixture.h"
#include "cover/Wallpaper.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

class WallpaperTest : public SimTest {
  protected:
    WallpaperTest() { sim.model().environment["TESSAVO_DEBUG"] = "1"; }
    // A desktop-level window showing a solid colour.
    void addDesktopWindow(std::uint32_t number, Rect bounds, QColor colour) {
        SimWindow w;
        w.number = number;
        w.pid = 1;
        w.frame = bounds;
        w.layer = sim.model().desktopLevel;
        w.desktop = true;
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        w.image = image;
        sim.addWindow(w);
    }
    Screen primary() { return current().screens().screens().front(); }
    std::string log() const {
        std::ifstream in(sim.model().temporaryDirectory + "/tessavo.log");
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(WallpaperTest, AnOriginMatchBeatsASizeMatchEvenLaterInTheList) {
    sim.addApp(1, "desktop", "Desktop");
    addDesktopWindow(7, {500, 500, 1440, 900}, Qt::red);  // size matches
    addDesktopWindow(8, {1, 1.5, 800, 600}, Qt::blue);    // origin matches, listed behind
    const auto picture = Wallpaper::captureDesktopImage({0, 0, 1440, 900});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->image.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(picture->size, (Size{800, 600}));
    EXPECT_NE(log().find("WP cands=2 pick=#8 800x600\n"), std::string::npos) << log();
}

TEST_F(WallpaperTest, WithoutAMatchTheFirstCandidateAndWithoutAnyNothing) {
    EXPECT_FALSE(Wallpaper::captureDesktopImage({0, 0, 1440, 900}));
    EXPECT_NE(log().find("WP cands=0 pick=nil\n"), std::string::npos);
    sim.addApp(1, "desktop", "Desktop");
    addDesktopWindow(7, {300, 300, 10, 10}, Qt::green);
    addDesktopWindow(8, {900, 900, 20, 20},
                     Qt::red);  // listed first: the later addition is in front
    EXPECT_EQ(Wallpaper::captureDesktopImage({0, 0, 1440, 900})->image.pixelColor(0, 0),
              QColor(Qt::red));
}

TEST_F(WallpaperTest, CapturesAreCachedPerScreenButFailuresAreNot) {
    sim.model().screenCaptureAllowed = false;
    EXPECT_FALSE(Wallpaper::captured(primary()));
    EXPECT_NE(log().find("WP: no screen-rec perm\n"), std::string::npos);

    sim.model().screenCaptureAllowed = true;
    EXPECT_FALSE(Wallpaper::captured(primary()));  // nothing to capture yet
    EXPECT_NE(log().find("WP capture id=1 cg=0,0,1440,900 -> NIL(파일폴백)\n"), std::string::npos);

    sim.addApp(1, "desktop", "Desktop");
    addDesktopWindow(7, {0, 0, 1440, 900}, Qt::darkCyan);
    ASSERT_TRUE(Wallpaper::captured(primary()));
    sim.window(7).image->fill(Qt::yellow);  // a later change is not seen: the capture is kept
    EXPECT_EQ(Wallpaper::captured(primary())->image.pixelColor(0, 0), QColor(Qt::darkCyan));

    Screen unnamed = primary();
    unnamed.displayNumber.reset();
    EXPECT_FALSE(Wallpaper::captured(unnamed));
    EXPECT_NE(log().find("WP: no displayID\n"), std::string::npos);
}

TEST_F(WallpaperTest, PictureFilesAreCachedByPathAndRetriedUntilTheyLoad) {
    const QString path = QString::fromStdString(sim.model().temporaryDirectory) + "/바다.png";
    sim.model().desktopPictures[1] = path.toStdString();
    EXPECT_FALSE(Wallpaper::fileImage(primary()));  // not there yet
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    ASSERT_TRUE(picture.save(path));
    ASSERT_TRUE(Wallpaper::fileImage(primary()));
    QFile::remove(path);
    EXPECT_EQ(Wallpaper::fileImage(primary())->pixelColor(0, 0), QColor(Qt::magenta));
}

TEST_F(WallpaperTest, ScreenFramesTurnIntoTopLeftSpace) {
    sim.model().screens.push_back({{0, 900, 1920, 1080}, {0, 900, 1920, 1080}, 2});
    EXPECT_EQ(Wallpaper::cgFrame(sim.model().screens[1]), Rect(0, -1080, 1920, 1080));
    EXPECT_EQ(Wallpaper::cgFrame(sim.model().screens[0]), Rect(0, 0, 1440, 900));
}
