#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>

#include "SimFixture.h"
#include "app/AppDelegate.h"
#include "app/Startup.h"
#include "common/Settings.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

// A running program with the messenger's main window and two chats, another program in front.
class StatusMenuTest : public SimTest {
  protected:
    void SetUp() override {
        addMessenger(sim, {.chats = 2});
        sim.setFrontmost(std::nullopt);
    }
    std::unique_ptr<AppDelegate> launch(bool tray = true) {
        auto d = std::make_unique<AppDelegate>();
        d->trayAvailable = [tray] { return tray; };
        d->applicationDidFinishLaunching();
        d->tracker->tick();
        return d;
    }
    static QAction* item(const AppDelegate& d, const char* title) {
        for (QAction* a : d.menu->actions()) {
            if (a->text() == QString::fromUtf8(title)) {
                return a;
            }
        }
        ADD_FAILURE() << "no item " << title;
        return nullptr;
    }
};

TEST_F(StatusMenuTest, WallpaperWithoutCaptureAccessAsksForItAndKeepsEveryCoverUp) {
    Settings::d().setInteger(Settings::key::kDisguiseMode, 7);  // no mode: the notepad
    auto d = launch();
    EXPECT_TRUE(item(*d, "위장: 메모장")->isChecked());
    sim.model().screenCaptureAllowed = false;
    item(*d, "위장: 배경화면")->trigger();
    EXPECT_TRUE(recorded("request screen capture"));
    EXPECT_EQ(d->tracker->coverOf(1001)->cover->mode(), DisguiseMode::wallpaper);
    EXPECT_EQ(d->tracker->visibleCovers().size(), 3u);
}

// A tray menu is a pop-up of its own: q or Ctrl+Q there quits, as the item's shortcut promises.
TEST_F(StatusMenuTest, TheOpenMenuAnswersQAndCtrlQWithQuit) {
    auto d = launch();
    int quits = 0;
    QObject::connect(item(*d, "종료"), &QAction::triggered, [&] { ++quits; });
    QTest::keyClick(d->menu.get(), Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(quits, 0);
    QTest::keyClick(d->menu.get(), Qt::Key_Q);
    EXPECT_EQ(quits, 1);
    QTest::keyClick(d->menu.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 2);
}

// The mark shows what the login item reports; it is asked only when something must change.
TEST_F(StatusMenuTest, StartAtLoginShowsWhatTheLoginItemReports) {
    auto d = launch();
    item(*d, "로그인 시 자동 실행")->trigger();
    EXPECT_TRUE(recorded("login item register"));
    EXPECT_TRUE(item(*d, "로그인 시 자동 실행")->isChecked());
    sim.clearRecord();
    Startup::set(true);
    EXPECT_TRUE(sim.record().empty());
    // Removed by hand: the mark follows when the menu opens.
    sim.model().loginStatus = LoginItemStatus::NotRegistered;
    emit d->menu->aboutToShow();
    EXPECT_FALSE(item(*d, "로그인 시 자동 실행")->isChecked());
    sim.model().registerError = "Permission denied";
    item(*d, "로그인 시 자동 실행")->trigger();
    EXPECT_TRUE(recorded("system log: Startup.set(true) failed: Permission denied"));
    Startup::set(false);
    EXPECT_TRUE(recorded("login item unregister"));
}
