#include <fstream>

#include <QDir>
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
    WallpaperTest() { sim.model().environment.insert_or_assign("TESSAVO_DEBUG", std::string("1")); }
    // A desktop-level window showing a solid colour.
    void addDesktopWindow(std::uint32_t number, Rect bounds, QColor colour) {
        SimWindow w;
        w.number = number;
        w.pid = 1;
        w.frame = bounds;
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

// Two screens side by side, each with its own picture: a cover on the second one that only
// touches the first along its edge shows the second one's picture.
TEST_F(WallpaperTest, ACoverShowsThePictureOfTheScreenItLiesOnNotOneItTouches) {
    sim.model().screens.push_back({{1440, 0, 1280, 900}, {1440, 0, 1280, 900}, 2});
    sim.addApp(1, "desktop", "Desktop");
    addDesktopWindow(7, {0, 0, 1440, 900}, Qt::red);
    addDesktopWindow(8, {1440, 0, 1280, 900}, Qt::blue);
    CoverPainter::Scene scene;
    scene.mode = DisguiseMode::wallpaper;
    scene.width = scene.height = 100;
    scene.showTitleBar = false;
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
    const Rect frame{200, 200, 100, 100};
    view.setContent(DisguiseMode::wallpaper, frame, {});
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    view.render(&image);  // no desktop window: nothing to capture
    int before = view.repaintRequests();
    view.setContent(DisguiseMode::wallpaper, frame, {});
    EXPECT_EQ(view.repaintRequests(), before + 1);  // at the very next sync
    view.render(&image);
    before = view.repaintRequests();
    for (int i = 0; i < 100; ++i) {
        view.setContent(DisguiseMode::wallpaper, frame, {});
    }
    const int retries = view.repaintRequests() - before;
    EXPECT_GE(retries, 3);
    EXPECT_LE(retries, 6);

    sim.addApp(1, "desktop", "Desktop");
    addDesktopWindow(7, {0, 0, 1440, 900}, Qt::darkCyan);
    for (int i = 0; i < 40 && view.repaintRequests() == before + retries; ++i) {
        view.setContent(DisguiseMode::wallpaper, frame, {});
    }
    view.render(&image);
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::darkCyan));
    before = view.repaintRequests();
    for (int i = 0; i < 100; ++i) {
        view.setContent(DisguiseMode::wallpaper, frame, {});
    }
    EXPECT_EQ(view.repaintRequests(), before);
}
