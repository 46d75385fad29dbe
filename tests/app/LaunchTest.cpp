// SPDX-License-Identifier: GPL-3.0-or-later
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "SimFixture.h"
#include "app/AppDelegate.h"
#include "app/Startup.h"
#include "common/Settings.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

// This user's other copy is ended, and waited for a second at most if it does not go.
TEST_F(SimTest, SingleInstanceWaitsASecondAtMostForTheOtherCopy) {
    sim.addApp(201, "tessavo", "Tessavo").survivesTermination = true;
    const double start = sim.model().now;
    Startup::enforceSingleInstance();
    EXPECT_EQ(countRecorded(sim, "terminate 201"), 1);
    EXPECT_GE(sim.model().now - start, 1.0 - 1e-9);
    EXPECT_LE(sim.model().now - start, 1.1);
}

// A program launched with the messenger's main window and two chats, another program in front.
class LaunchTest : public SimTest {
  protected:
    void SetUp() override {
        addMessenger(sim, {.chats = 2});
        sim.setFrontmost(std::nullopt);
    }
    std::unique_ptr<AppDelegate> launch() {
        auto d = std::make_unique<AppDelegate>();
        d->trayAvailable = [] { return true; };
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

// Screen capture is asked for at launch in wallpaper mode without access; the messenger is not
// running yet.
TEST_F(LaunchTest, WithoutPermissionItPromptsOnceThenPollsQuietly) {
    sim.quitApp(kMessengerPid);
    sim.model().windowsReadable = false;
    sim.model().screenCaptureAllowed = false;
    Settings::d().setInteger(Settings::key::kDisguiseMode, 1);
    auto d = launch();
    EXPECT_EQ(countRecorded(sim, "request screen capture"), 1);
    ASSERT_TRUE(d->permTimer);
    EXPECT_EQ(d->menu->actions().front()->text(),
              QStringLiteral("⚠︎ 손쉬운 사용 권한 필요 (클릭)"));
    // Polls find nothing and do not prompt; the first one that finds it starts the engine.
    QMetaObject::invokeMethod(d->permTimer, "timeout", Qt::DirectConnection);
    EXPECT_FALSE(d->tracker->isRunning());
    sim.model().windowsReadable = true;
    QMetaObject::invokeMethod(d->permTimer, "timeout", Qt::DirectConnection);
    EXPECT_TRUE(d->tracker->isRunning());
    EXPECT_FALSE(d->permTimer);
    EXPECT_EQ(countRecorded(sim, "accessibility prompt"), 1);
    EXPECT_EQ(d->menu->actions().front()->text(), QStringLiteral("위장: 메모장"));
}

// Brought forward again, the open settings window shows the chats open now.
TEST_F(LaunchTest, OneSettingsWindowAtATime) {
    auto d = launch();
    emit d->switcher->openSettingsRequested();
    SwitcherSettings* first = d->settingsWC.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->chats, (std::vector<ChatEntry>{{"채팅 1", "채팅 1", ""},
                                                    {"채팅 2", "채팅 2", ""}}));  // no main window
    sim.addWindow(
        {.number = 1009, .pid = kMessengerPid, .title = "새 채팅", .frame = {500, 100, 300, 300}});
    d->tracker->tick();
    emit d->switcher->openSettingsRequested();
    EXPECT_EQ(d->settingsWC.get(), first);
    EXPECT_EQ(first->chats.back(), (ChatEntry{"새 채팅", "새 채팅", ""}));
}

TEST_F(LaunchTest, WallpaperWithoutCaptureAccessAsksForItAndKeepsEveryCoverUp) {
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
TEST_F(LaunchTest, TheOpenMenuAnswersQAndCtrlQWithQuit) {
    auto d = launch();
    QSignalSpy quits(item(*d, "종료"), &QAction::triggered);
    QTest::keyClick(d->menu.get(), Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(quits.count(), 0);
    QTest::keyClick(d->menu.get(), Qt::Key_Q);
    EXPECT_EQ(quits.count(), 1);
    QTest::keyClick(d->menu.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits.count(), 2);
}

// The mark shows what the login item reports; it is asked only when something must change.
TEST_F(LaunchTest, StartAtLoginShowsWhatTheLoginItemReports) {
    auto d = launch();
    const auto login = [&] { return item(*d, "로그인 시 자동 실행"); };  // the menu is made anew
    login()->trigger();
    EXPECT_TRUE(recorded("login item register"));
    EXPECT_TRUE(login()->isChecked());
    sim.clearRecord();
    Startup::set(true);
    EXPECT_TRUE(sim.record().empty());
    // Removed by hand: the mark follows when the menu opens.
    sim.model().loginStatus = LoginItemStatus::NotRegistered;
    emit d->menu->aboutToShow();
    EXPECT_FALSE(login()->isChecked());
    sim.model().registerError = "Permission denied";
    login()->trigger();
    EXPECT_TRUE(recorded("system log: Startup.set(true) failed: Permission denied"));
    Startup::set(false);
    EXPECT_TRUE(recorded("login item unregister"));
}
