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

namespace {
int count(const std::vector<std::string>& record, const std::string& prefix) {
    return static_cast<int>(std::count_if(record.begin(), record.end(),
                                          [&](const auto& l) { return l.rfind(prefix, 0) == 0; }));
}
}  // namespace

// Another user's copy is never touched; this user's is ended, at once if it goes at once, and
// otherwise waited for a second at most.
TEST_F(SimTest, SingleInstanceEndsOnlyThisUsersOtherCopyAndWaitsASecondAtMost) {
    sim.addApp(300, "tessavo", "Tessavo").uid = 1001;
    sim.addApp(200, "tessavo", "Tessavo");
    double start = sim.model().now;
    Startup::enforceSingleInstance();
    EXPECT_EQ(sim.record(), std::vector<std::string>{"terminate 200"});  // no sleep before
    EXPECT_EQ(sim.model().now, start);

    sim.clearRecord();
    sim.addApp(201, "tessavo", "Tessavo").survivesTermination = true;
    start = sim.model().now;
    Startup::enforceSingleInstance();
    EXPECT_EQ(count(sim.record(), "terminate 201"), 1);
    // Twenty 50 ms sleeps, give or take one for the rounding of the clock's sums.
    const int sleeps = count(sim.record(), "sleep 50000us");
    EXPECT_GE(sleeps, 20);
    EXPECT_LE(sleeps, 21);
    EXPECT_GE(sim.model().now - start, 1.0 - 1e-9);
}

class LaunchTest : public SimTest {
  protected:
    std::unique_ptr<AppDelegate> launch() {
        auto d = std::make_unique<AppDelegate>();
        d->applicationDidFinishLaunching();
        return d;
    }
    std::vector<QString> menuTitles(const AppDelegate& d) {
        std::vector<QString> titles;
        for (QAction* a : d.menu->actions()) {
            titles.push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return titles;
    }
};

const std::vector<QString> kMenu{
    "위장: 메모장", "위장: 배경화면", "-", "일시정지", "-", "로그인 시 자동 실행", "-", "종료"};

TEST_F(LaunchTest, WithoutPermissionItPromptsOnceThenPollsQuietly) {
    sim.model().windowsReadable = false;
    auto d = launch();
    EXPECT_FALSE(d->tracker->isRunning());
    ASSERT_TRUE(d->permTimer);
    EXPECT_EQ(d->permTimer->interval(), 1000);
    EXPECT_EQ(menuTitles(*d).size(), 10u);
    EXPECT_EQ(menuTitles(*d).front(),
              QStringLiteral("⚠︎ 손쉬운 사용 권한 필요 (클릭)"));
    EXPECT_EQ(menuTitles(*d)[1], QStringLiteral("-"));
    EXPECT_EQ(count(sim.record(), "accessibility prompt"), 1);

    // Polls find nothing and do not prompt; the first one that finds it starts the engine.
    QMetaObject::invokeMethod(d->permTimer, "timeout", Qt::DirectConnection);
    EXPECT_FALSE(d->tracker->isRunning());
    sim.model().windowsReadable = true;
    QMetaObject::invokeMethod(d->permTimer, "timeout", Qt::DirectConnection);
    EXPECT_TRUE(d->tracker->isRunning());
    EXPECT_FALSE(d->permTimer);
    EXPECT_EQ(count(sim.record(), "accessibility prompt"), 1);
    EXPECT_EQ(menuTitles(*d), kMenu);
    EXPECT_EQ(d->statusItem->toolTip(), QStringLiteral("테사보"));
}

TEST_F(LaunchTest, ScreenCaptureIsRequestedOnlyInWallpaperModeWithoutAccess) {
    sim.model().screenCaptureAllowed = false;
    EXPECT_TRUE(launch()->tracker->isRunning());  // with access to windows: at once
    EXPECT_FALSE(recorded("accessibility prompt"));
    EXPECT_FALSE(recorded("request screen capture"));

    Settings::d().setInteger(Settings::key::kDisguiseMode, 1);
    launch();
    EXPECT_EQ(count(sim.record(), "request screen capture"), 1);

    sim.model().screenCaptureAllowed = true;
    sim.clearRecord();
    launch();
    EXPECT_FALSE(recorded("request screen capture"));
}

TEST_F(LaunchTest, TheMessengerIsStartedOnlyWhenInstalledAndNotRunning) {
    launch();
    EXPECT_FALSE(recordedStartingWith("launch"));  // not installed
    sim.model().installed["com.kakao.KakaoTalkMac"] = "/opt/kakaotalk/kakaotalk.desktop";
    launch();
    EXPECT_TRUE(recorded("launch /opt/kakaotalk/kakaotalk.desktop"));
    sim.clearRecord();
    addMessenger(sim, {.chats = 1});
    launch();
    EXPECT_FALSE(recordedStartingWith("launch"));
}

TEST_F(LaunchTest, OneSettingsWindowAtATimeAndApplyingReloadsTheEngine) {
    addMessenger(sim, {.chats = 1});
    sim.setFrontmost(std::nullopt);
    auto d = launch();
    d->tracker->tick();
    emit d->switcher->openSettingsRequested();
    SwitcherSettings* first = d->settingsWC.get();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->chats, std::vector<std::string>{"채팅 1"});  // never the main window
    emit d->switcher->openSettingsRequested();
    EXPECT_EQ(d->settingsWC.get(), first);  // the open one comes forward

    first->idlePopup->setCurrentIndex(4);  // 5 minutes
    first->modPopup->setCurrentIndex(2);   // control + shift
    first->rows[0].key->setText(QStringLiteral("q"));
    first->applyTapped();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(d->tracker->idleSeconds(), 300);
    EXPECT_TRUE(sim.pressHotKey(12, modifier::kControl | modifier::kShift));  // Q
    EXPECT_TRUE(recorded("raise window 1001"));
    EXPECT_FALSE(sim.pressHotKey(40, modifier::kControl | modifier::kOption));

    emit d->switcher->openSettingsRequested();
    EXPECT_NE(d->settingsWC.get(), first);  // closed: a fresh one
}
