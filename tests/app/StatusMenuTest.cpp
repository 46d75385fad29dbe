#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>

#include "SimFixture.h"
#include "app/AppDelegate.h"
#include "app/AppIcon.h"
#include "app/Startup.h"
#include "common/Settings.h"
#include "cover/Wallpaper.h"
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
    static bool marked(const AppDelegate& d, const char* title) {
        return item(d, title)->isChecked();
    }
    static int visibleCovers(const AppDelegate& d) {
        return static_cast<int>(d.tracker->visibleCovers().size());
    }
};

TEST_F(StatusMenuTest, TheDisguiseItemsMarkTheStoredModeAndSwitchItWithoutUncovering) {
    Settings::d().setInteger(Settings::key::kDisguiseMode, 7);
    auto d = launch();
    EXPECT_EQ(d->statusItem->icon().availableSizes(), appIcon().availableSizes());
    EXPECT_TRUE(marked(*d, "위장: 메모장"));
    EXPECT_FALSE(marked(*d, "위장: 배경화면"));
    ASSERT_EQ(visibleCovers(*d), 3);

    sim.model().screenCaptureAllowed = false;
    Wallpaper::caches().cache[1] = {};
    item(*d, "위장: 배경화면")->trigger();
    EXPECT_EQ(Settings::d().integerForKey(Settings::key::kDisguiseMode), 1);
    EXPECT_TRUE(recorded("request screen capture"));
    EXPECT_TRUE(Wallpaper::caches().cache.empty());
    // Every cover stays up and takes the new look at once.
    EXPECT_EQ(visibleCovers(*d), 3);
    EXPECT_EQ(d->tracker->coverOf(1001)->cover->mode(), DisguiseMode::wallpaper);
    EXPECT_TRUE(marked(*d, "위장: 배경화면"));

    item(*d, "위장: 메모장")->trigger();
    item(*d, "위장: 메모장")->trigger();  // again in memo mode: stored again, nothing breaks
    EXPECT_EQ(Settings::d().integerForKey(Settings::key::kDisguiseMode), 0);
    EXPECT_EQ(visibleCovers(*d), 3);
    EXPECT_TRUE(marked(*d, "위장: 메모장"));
}

TEST_F(StatusMenuTest, PauseTakesCoversAndBarAwayAndLastsAcrossARestart) {
    auto d = launch();
    ASSERT_TRUE(d->switcher->bar && d->switcher->bar->isVisible());
    item(*d, "일시정지")->trigger();
    EXPECT_EQ(visibleCovers(*d), 0);
    EXPECT_FALSE(d->switcher->bar->isVisible());
    EXPECT_TRUE(marked(*d, "일시정지"));
    d->tracker->tick();
    EXPECT_EQ(visibleCovers(*d), 0);
    d->applicationWillTerminate();  // quitting takes every cover off the screen
    EXPECT_EQ(d->tracker->coverCount(), 0u);
    EXPECT_FALSE(d->tracker->isRunning());
    d.reset();

    auto again = launch();
    EXPECT_TRUE(again->tracker->isPaused());
    EXPECT_EQ(visibleCovers(*again), 0);
    EXPECT_TRUE(marked(*again, "일시정지"));
    item(*again, "일시정지")->trigger();
    EXPECT_FALSE(Settings::d().boolForKey(Settings::key::kPaused));
    EXPECT_EQ(visibleCovers(*again), 3);  // at once, not at the next tick
    EXPECT_TRUE(again->switcher->bar->isVisible());
}

// A tray menu is a pop-up of its own: q or Ctrl+Q there quits, as the item's shortcut promises.
TEST_F(StatusMenuTest, TheOpenMenuAnswersQAndCtrlQWithQuit) {
    auto d = launch();
    int quits = 0;
    QObject::connect(item(*d, "종료"), &QAction::triggered, [&] { ++quits; });
    QTest::keyClick(d->menu.get(), Qt::Key_A);
    QTest::keyClick(d->menu.get(), Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(quits, 0);
    QTest::keyClick(d->menu.get(), Qt::Key_Q);
    EXPECT_EQ(quits, 1);
    QTest::keyClick(d->menu.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 2);
}

TEST_F(StatusMenuTest, StartAtLoginShowsWhatTheLoginItemReports) {
    auto d = launch();
    EXPECT_FALSE(marked(*d, "로그인 시 자동 실행"));
    item(*d, "로그인 시 자동 실행")->trigger();
    EXPECT_TRUE(recorded("login item register"));
    EXPECT_TRUE(marked(*d, "로그인 시 자동 실행"));
    // The entry removed by hand: the mark follows when the menu opens.
    sim.model().loginStatus = LoginItemStatus::NotRegistered;
    emit d->menu->aboutToShow();
    EXPECT_FALSE(marked(*d, "로그인 시 자동 실행"));
    // Waiting for approval counts as off; choosing the item registers again.
    sim.model().loginStatus = LoginItemStatus::RequiresApproval;
    sim.model().registerError = "Permission denied";
    sim.clearRecord();
    item(*d, "로그인 시 자동 실행")->trigger();
    EXPECT_TRUE(recorded("login item register"));
    EXPECT_TRUE(recorded("system log: Startup.set(true) failed: Permission denied"));
    EXPECT_FALSE(marked(*d, "로그인 시 자동 실행"));
}

TEST_F(StatusMenuTest, TurningStartAtLoginOnTwiceOrOffWhenOffAsksTheLoginItemOnlyWhenNeeded) {
    launch();
    sim.model().loginStatus = LoginItemStatus::Enabled;
    sim.clearRecord();
    Startup::set(true);
    EXPECT_TRUE(sim.record().empty());
    sim.model().loginStatus = LoginItemStatus::NotRegistered;
    sim.model().unregisterError = "No such file";
    Startup::set(false);
    EXPECT_TRUE(recorded("login item unregister"));
    EXPECT_TRUE(recorded("system log: Startup.set(false) failed: No such file"));
}

TEST_F(StatusMenuTest, WithoutATrayTheSettingsWindowCarriesTheMenuAndTheBarStaysWhilePaused) {
    auto d = launch(false);
    EXPECT_TRUE(recordedStartingWith("system log: tessavo: no system tray"));
    emit d->switcher->bar->settingsRequested();
    ASSERT_TRUE(d->settingsWC && d->settingsWC->menuStrip);
    EXPECT_EQ(d->settingsWC->height(), 460 + d->settingsWC->menuStrip->height());
    QList<QToolButton*> buttons = d->settingsWC->menuStrip->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 5);
    buttons[2]->click();  // 일시정지
    EXPECT_TRUE(d->tracker->isPaused());
    EXPECT_EQ(visibleCovers(*d), 0);
    d->tracker->tick();
    EXPECT_TRUE(d->switcher->bar->isVisible());  // the way back to the controls
    EXPECT_EQ(visibleCovers(*d), 0);
    // The buttons follow the rebuilt menu.
    buttons = d->settingsWC->menuStrip->findChildren<QToolButton*>();
    const auto pause = std::find_if(buttons.begin(), buttons.end(), [](QToolButton* b) {
        return !b->isHidden() && b->text() == QStringLiteral("일시정지");
    });
    ASSERT_NE(pause, buttons.end());
    EXPECT_TRUE((*pause)->isChecked());
}
