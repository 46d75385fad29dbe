// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TrackerFixture.h"

#include "common/Settings.h"

using namespace platform;
using namespace platform::sim;

TEST_F(TrackerTest, IdleCoversTheFocusedChatUntilRevealedAndTheMessengerQuittingKeepsThat) {
    Settings::d().setInteger(Settings::key::kIdleSec, 60);
    tracker().reloadSettings();
    sim.model().idleSeconds = 60.0;
    tick();
    EXPECT_TRUE(covered(1001));

    // Back at work in the same chat: still covered until revealed on purpose.
    sim.model().idleSeconds = 0;
    sim.focus(1001);
    tick();
    EXPECT_TRUE(covered(1001));
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

// A tiling window manager never restacks its tiles: a raise it ignores is asked a few times,
// not on every tick, and asked again for another target or once the target was on top.
TEST_F(TrackerTest, ARaiseTheWindowManagerIgnoresIsAskedOnlyAFewTimes) {
    tick();  // 1001 focused and on top: nothing to raise
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

// A chat another program's window all but hides needs no floating cover, which would hide that
// window; a cover stacked with its chat is hidden with it, and stays whatever the X stacking
// says (sway draws floating chats above tiled windows that X has in front).
TEST_F(TrackerTest, AnOccludedChatLosesAFloatingCoverButKeepsAStackedOne) {
    for (const auto stacking : {CoverStacking::floating, CoverStacking::aboveChat}) {
        sim.model().coverStacking = stacking;
        tracker_ = std::make_unique<WindowTracker>();  // its covers made for this stacking
        sim.window(5000).frame = sim.window(1002).frame;
        sim.raise(5000);
        frontOther();
        tick();
        EXPECT_EQ(covered(1002), stacking == CoverStacking::aboveChat);
    }
}

// A cover shows what lies in front of its chat (the messenger's dialog, the window being worked
// in) and nothing behind it, where a hole would show the chat itself.
TEST_F(TrackerTest, ACoverShowsWhatLiesInFrontOfItsChatAndNothingBehindIt) {
    sim.addWindow({.number = 1100,
                   .pid = kMessengerPid,
                   .title = "파일",
                   .frame = {450, 100, 100, 100},
                   .role = WindowRole::Dialog});
    sim.raise(1002);  // front to back: 1002, the dialog, 1001
    sim.window(5000).frame = {700, 500, 300, 300};
    sim.raise(5000);
    frontOther();
    tick();
    const auto holes = [&](std::uint32_t id) { return cover(id)->cover->holes().size(); };
    ASSERT_TRUE(covered(1001) && covered(1002));
    EXPECT_EQ(holes(1001), 2u);  // the dialog and the window worked in
    EXPECT_EQ(holes(1002), 1u);  // the window worked in

    sim.raise(1001);
    sim.raise(1002);  // both chats now in front of the dialog and the window worked in
    tick();
    EXPECT_EQ(holes(1001) + holes(1002), 0u);

    // Another program's window in front that is not the one worked in stays under the cover.
    sim.addApp(701, "org.example.viewer", "Viewer");
    sim.addWindow({.number = 5100, .pid = 701, .title = "보기", .frame = {500, 200, 200, 200}});
    tick();
    EXPECT_EQ(holes(1001) + holes(1002), 0u);
}
