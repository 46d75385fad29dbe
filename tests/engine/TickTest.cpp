#include "engine/TrackerFixture.h"

#include "common/Settings.h"

using namespace platform;
using namespace platform::sim;

TEST_F(TrackerTest, TheFocusedChatIsRevealedUntilAnotherApplicationComesInFront) {
    tick();
    EXPECT_FALSE(covered(1001));
    ASSERT_NE(cover(1001), nullptr);  // kept ready, transparent and click-through
    EXPECT_TRUE(cover(1001)->ignoresMouseEvents());
    EXPECT_TRUE(covered(1000) && covered(1002));
    EXPECT_EQ(tracker().chatInUse(), 1001u);
    // The revealed chat is a hole in the covers above it.
    EXPECT_EQ(cover(1002)->cover->holes(),
              (std::vector<Rect>{{420 - 600, 900 - 60 - 560 - 280, 420, 560}}));
    EXPECT_TRUE(logged("STATE 1001 '채팅 1' = revealed"));
    EXPECT_TRUE(logged("STATE 1002 '채팅 2' = COVERED"));
    EXPECT_TRUE(logged("PROTECT → 1001 '채팅 1' [front=KakaoTalk]"));
    EXPECT_TRUE(
        logged("WINS 1001:standard:420x560:'채팅 1' | 1002:standard:420x560:'채팅 2' | "
               "1000:standard:380x640:'카카오톡'"));

    frontOther();
    tick();
    EXPECT_TRUE(covered(1000) && covered(1001) && covered(1002));
    EXPECT_FALSE(tracker().chatInUse());
    EXPECT_TRUE(logged("PROTECT → nil [front=App 700]"));
    // Repeating a state logs nothing new; no frontmost application at all is "?".
    tick();
    sim.setFrontmost(std::nullopt);
    tick();
    EXPECT_EQ(countLogged("STATE 1001 '채팅 1' = COVERED"), 1);
    sim.focus(1001);
    tick();
    sim.setFrontmost(std::nullopt);
    tick();
    EXPECT_TRUE(logged("PROTECT → nil [front=?]"));
}

TEST_F(TrackerTest, MinimizedOffscreenAndExcludedChatsAreLeftAlone) {
    Settings::d().setStringArray(Settings::key::kExcluded, {"채팅 2"});
    frontOther();
    tick();
    EXPECT_EQ(cover(1002), nullptr);  // excluded: never gets a cover
    EXPECT_TRUE(logged("STATE 1002 '채팅 2' = excluded"));

    sim.window(1001).minimized = true;
    sim.window(1000).onScreen = false;
    tick();
    EXPECT_FALSE(cover(1001)->isVisible());
    EXPECT_FALSE(cover(1000)->isVisible());
    EXPECT_TRUE(logged("STATE 1001 '채팅 1' = min"));
    EXPECT_TRUE(logged("STATE 1000 '카카오톡' = offscreen"));
    // Restored: the same cover comes back.
    CoverWindow* before = cover(1001);
    sim.window(1001).minimized = false;
    tick();
    EXPECT_EQ(cover(1001), before);
    EXPECT_TRUE(covered(1001));
}

TEST_F(TrackerTest, OccludedChatIsUncoveredUntilSomethingMoves) {
    frontOther();
    sim.window(5000).frame = {400, 40, 500, 600};  // hides chat 1001 at (420, 60, 420, 560)
    sim.raise(5000);
    tick();
    EXPECT_FALSE(covered(1001));
    EXPECT_TRUE(cover(1001)->ignoresMouseEvents());
    EXPECT_TRUE(logged("STATE 1001 '채팅 1' = occluded→hidden"));
    // A move of exactly 4 points is not movement; 4.5 is, and occlusion is not trusted then.
    sim.window(1002).frame.x += 4;
    tick();
    EXPECT_FALSE(covered(1001));
    sim.window(1002).frame.y += 4.5;
    tick();
    EXPECT_TRUE(covered(1001));
    tick();
    EXPECT_FALSE(covered(1001));
}

TEST_F(TrackerTest, TheMessengersOtherWindowsStayVisibleThroughCovers) {
    SimWindow dialog{.number = 1500,
                     .pid = kMessengerPid,
                     .title = "파일 보내기",
                     .frame = {500, 100, 300, 200},
                     .role = WindowRole::Dialog};
    sim.addWindow(dialog);
    dialog.number = 1501;  // too thin to matter
    dialog.frame = {0, 0, 1, 300};
    sim.addWindow(dialog);
    frontOther();
    tick();
    EXPECT_EQ(cover(1500), nullptr);
    EXPECT_EQ(cover(1002)->cover->holes(),
              (std::vector<Rect>{{500 - 600, 900 - 100 - 200 - 280, 300, 200}}));
    EXPECT_FALSE(cover(1002)->ignoresMouseEvents());  // the page takes clicks; the hole does not
}

TEST_F(TrackerTest, IdleCoversTheFocusedChatUntilRevealedAndTheMessengerQuittingKeepsThat) {
    sim.model().idleSeconds = 1e9;  // idle detection off: never idle
    tick();
    EXPECT_FALSE(covered(1001));
    EXPECT_FALSE(tracker().isForceCovered(1001));
    Settings::d().setInteger(Settings::key::kIdleSec, 60);
    tracker().reloadSettings();
    sim.model().idleSeconds = 60.0;
    tick();
    EXPECT_TRUE(covered(1001));
    EXPECT_TRUE(tracker().isForceCovered(1001));
    EXPECT_TRUE(logged("PROTECT → nil [front=KakaoTalk]"));

    // Back at work in the same chat: still covered until revealed on purpose.
    sim.model().idleSeconds = 0;
    sim.focus(1001);
    tick();
    EXPECT_TRUE(covered(1001));
    EXPECT_TRUE(logged("STATE 1001 '채팅 1' = forceCovered"));
    tracker().reveal(1001, WindowTracker::kClickGrace);
    tick();
    EXPECT_FALSE(covered(1001));

    sim.model().idleSeconds = 60.0;
    tick();
    sim.quitApp(kMessengerPid);
    tick();
    EXPECT_EQ(tracker().coverCount(), 0u);
    EXPECT_TRUE(tracker().isForceCovered(1001));
}

TEST_F(TrackerTest, AVanishedWindowLosesItsCoverAndBookkeeping) {
    Settings::d().setInteger(Settings::key::kIdleSec, 1);
    tick();
    sim.model().idleSeconds = 5;
    tick();
    ASSERT_TRUE(tracker().isForceCovered(1001));
    sim.closeWindow(1001);
    tick();
    EXPECT_EQ(cover(1001), nullptr);
    EXPECT_FALSE(tracker().isForceCovered(1001));
}

TEST_F(TrackerTest, PausedTicksOnlyHide) {
    frontOther();
    tick();
    const auto before = log();
    tracker().setPaused(true);
    EXPECT_FALSE(cover(1001)->isVisible());  // at once
    sim.addWindow(
        {.number = 1009, .pid = kMessengerPid, .title = "새 채팅", .frame = {0, 0, 9, 9}});
    tick();
    EXPECT_FALSE(cover(1001)->isVisible());
    EXPECT_EQ(tracker().coverCount(), 3u);
    EXPECT_EQ(cover(1009), nullptr);
    EXPECT_EQ(log(), before);
    tracker().setPaused(false);
    tick();
    EXPECT_TRUE(covered(1001) && covered(1009));
}

// A tiling window manager never restacks its tiles: a raise it ignores is asked a few times,
// not on every tick, and asked again for another target or once the target was on top.
TEST_F(TrackerTest, ARaiseTheWindowManagerIgnoresIsAskedOnlyAFewTimes) {
    tick();  // 1001 focused and on top: nothing to raise
    EXPECT_FALSE(recordedStartingWith("raise window 1001"));
    sim.model().raisesRefused = true;
    sim.raise(1002);  // another chat comes above without taking focus
    for (int i = 0; i < 10; ++i) {
        tick();
    }
    EXPECT_EQ(countLogged("RAISE reveal target 1001 (top was 1002)"), 3);

    sim.model().app(kMessengerPid)->focusedWindow = 1000;
    for (int i = 0; i < 10; ++i) {
        tick();
    }
    EXPECT_EQ(countLogged("RAISE reveal target 1000 (top was 1002)"), 3);

    sim.model().raisesRefused = false;
    sim.model().app(kMessengerPid)->focusedWindow = 1001;
    tick();
    for (int i = 0; i < 3; ++i) {
        tick();  // on top: the raise was heeded
        sim.raise(1002);
        tick();
    }
    EXPECT_EQ(countLogged("RAISE reveal target 1001 (top was 1002)"), 3 + 4);
    EXPECT_TRUE(recorded("raise window 1001"));
}
