#include "SimFixture.h"

#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

// The simulated desktop must behave like a window system, or scenario tests prove nothing. Its
// input, login item and termination are what the switcher, launch and menu tests drive.

TEST_F(SimTest, WindowListFollowsStackingAndLayers) {
    addMessenger(sim, {.chats = 2, .otherWindows = 1, .focusFirstChat = false});
    sim.window(1001).minimized = true;
    sim.addWindow({.number = 9, .pid = 700, .title = "panel", .layer = level::kDock});
    sim.addWindow({.number = 8, .pid = 700, .frame = {0, 0, 1440, 900}, .desktop = true});
    const auto onScreenIds = [] {
        std::vector<WindowId> out;
        const auto list = current().windowServer().onScreenWindows();
        for (const ScreenWindow& w : list.value()) {
            out.push_back(w.id);
        }
        return out;
    };
    // Higher layer first; minimized and desktop windows are not on screen.
    EXPECT_EQ(onScreenIds(), (std::vector<WindowId>{9, 1002, 1000, 5000}));
    ASSERT_EQ(current().windowServer().desktopWindows().size(), 1u);
    EXPECT_EQ(current().windowServer().desktopWindows()[0].id, 8u);
    EXPECT_TRUE(current().appWindows().raise({kMessengerPid, 1000}));
    EXPECT_EQ(onScreenIds().at(1), 1000u);
    EXPECT_TRUE(recorded("raise window 1000"));
}

TEST_F(SimTest, RequestsActOnTheModelAndAreRecordedUnlessWindowsAreUnreadable) {
    addMessenger(sim, {.chats = 2});
    auto& windows = current().appWindows();
    const WindowRef chat{kMessengerPid, 1001};
    EXPECT_TRUE(windows.move(chat, {5, 6}));
    EXPECT_EQ(sim.window(1001).frame, Rect(5, 6, 420, 560));
    EXPECT_TRUE(recorded("move window 1001 to (5,6)"));
    windows.minimize(chat);
    EXPECT_TRUE(sim.window(1001).minimized);
    windows.activate(chat);
    EXPECT_FALSE(sim.window(1001).minimized);
    EXPECT_TRUE(windows.close(chat));
    EXPECT_FALSE(sim.hasWindow(1001));
    // The name is now stale: requests fail instead of acting on another window.
    EXPECT_FALSE(windows.frameOf(chat));
    EXPECT_FALSE(windows.raise(chat));
    // A live window named with another owner is not that window.
    EXPECT_FALSE(windows.close({kMessengerPid + 1, 1000}));
    EXPECT_TRUE(sim.hasWindow(1000));

    sim.model().windowsReadable = false;
    EXPECT_FALSE(windows.readable(true));
    EXPECT_TRUE(recorded("accessibility prompt"));
    EXPECT_TRUE(windows.windowsOf(kMessengerPid).empty());
    EXPECT_FALSE(windows.focusedWindow(kMessengerPid));
    EXPECT_FALSE(windows.minimize({kMessengerPid, 1002}));
}
