#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
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

class LaunchTest : public SimTest {
  protected:
    std::unique_ptr<AppDelegate> launch() {
        auto d = std::make_unique<AppDelegate>();
        d->applicationDidFinishLaunching();
        return d;
    }
};

// Screen capture is asked for at launch in wallpaper mode without access.
TEST_F(LaunchTest, WithoutPermissionItPromptsOnceThenPollsQuietly) {
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
    addMessenger(sim, {.chats = 1});
    sim.setFrontmost(std::nullopt);
    auto d = launch();
    d->tracker->tick();
    emit d->switcher->openSettingsRequested();
    SwitcherSettings* first = d->settingsWC.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->chats, std::vector<std::string>{"채팅 1"});  // never the main window
    sim.addWindow(
        {.number = 1009, .pid = kMessengerPid, .title = "새 채팅", .frame = {500, 100, 300, 300}});
    d->tracker->tick();
    emit d->switcher->openSettingsRequested();
    EXPECT_EQ(d->settingsWC.get(), first);
    EXPECT_EQ(first->chats, (std::vector<std::string>{"채팅 1", "새 채팅"}));
}
