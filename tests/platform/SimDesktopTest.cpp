#include "SimFixture.h"

#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

namespace {
std::vector<std::int64_t> listedNumbers(std::uint32_t options, std::uint32_t relativeTo = 0) {
    std::vector<std::int64_t> out;
    const auto list = current().windowServer().windowList(options, relativeTo);
    for (const InfoDict& d : *list) {
        out.push_back(std::get<std::int64_t>(*d.find(wininfo::kNumber)));
    }
    return out;
}
}  // namespace

// The simulated desktop must behave like a window system, or scenario tests prove nothing.
TEST_F(SimTest, WindowListFollowsStackingLayersAndOptions) {
    addMessenger(sim, {.chats = 2, .otherWindows = 1, .focusFirstChat = false});
    sim.window(1001).minimized = true;
    SimWindow panel{.number = 9, .pid = 700, .title = "panel", .frame = {0, 0, 10, 10}};
    panel.layer = 20;
    sim.addWindow(panel);
    SimWindow desk{.number = 8, .pid = 700, .title = "", .frame = {0, 0, 1440, 900}};
    desk.layer = sim.model().desktopLevel;
    desk.desktop = true;
    sim.addWindow(desk);

    // Higher layer first; minimized and desktop windows only where the options allow.
    EXPECT_EQ(listedNumbers(wininfo::kOptionOnScreenOnly | wininfo::kOptionExcludeDesktopElements),
              (std::vector<std::int64_t>{9, 1002, 1000, 5000}));
    EXPECT_EQ(listedNumbers(wininfo::kOptionAll),
              (std::vector<std::int64_t>{9, 1002, 1001, 1000, 5000, 8}));
    EXPECT_EQ(listedNumbers(wininfo::kOptionIncludingWindow, 8), (std::vector<std::int64_t>{8}));

    current().accessibility().performAction(SimDesktop::windowElement(kMessengerPid, 1000),
                                            ax::kRaise);
    EXPECT_EQ(listedNumbers(wininfo::kOptionOnScreenOnly).at(1), 1000);
    EXPECT_TRUE(recorded("perform window 1000 AXRaise"));
}

TEST_F(SimTest, WritesActOnTheModelAndAreRecorded) {
    addMessenger(sim, {.chats = 1});
    auto& access = current().accessibility();
    const Element chat = SimDesktop::windowElement(kMessengerPid, 1001);

    EXPECT_EQ(access.setAttribute(chat, ax::kPosition, Point{5, 6}), AXError::Success);
    EXPECT_EQ(sim.window(1001).frame.x, 5);
    EXPECT_EQ(access.setAttribute(chat, ax::kPosition, std::string("x")), AXError::IllegalArgument);
    EXPECT_TRUE(recorded("set window 1001 AXPosition=(5,6)"));

    access.setAttribute(access.applicationElement(kMessengerPid), ax::kFrontmost, true);
    EXPECT_EQ(current().workspace().frontmostApplication()->pid, kMessengerPid);

    const auto button = access.copyAttribute(chat, ax::kCloseButton);
    ASSERT_NE(button.get<Element>(), nullptr);
    access.performAction(*button.get<Element>(), ax::kPress);
    EXPECT_FALSE(sim.hasWindow(1001));
    // The element is now stale: reads fail instead of answering for another window.
    EXPECT_FALSE(access.copyAttribute(chat, ax::kTitle).ok());
}

TEST_F(SimTest, WithoutPermissionEveryAccessibilityCallFails) {
    addMessenger(sim, {.chats = 1});
    sim.model().trusted = false;
    auto& access = current().accessibility();
    EXPECT_FALSE(access.isTrusted(true));
    EXPECT_TRUE(recorded("accessibility prompt"));
    EXPECT_FALSE(access.copyAttribute(access.applicationElement(kMessengerPid), ax::kWindows).ok());
    std::uint32_t n = 7;
    EXPECT_NE(access.windowNumber(SimDesktop::windowElement(kMessengerPid, 1001), n),
              AXError::Success);
    EXPECT_EQ(n, 7u);
}

TEST_F(SimTest, TerminationHotKeysMonitorsAndLoginItem) {
    addMessenger(sim, {.chats = 1});
    auto& ws = current().workspace();
    EXPECT_TRUE(ws.forceTerminate(kMessengerPid));
    EXPECT_TRUE(ws.runningApplications("com.kakao.KakaoTalkMac").empty());
    EXPECT_FALSE(sim.hasWindow(1001));

    auto& input = current().input();
    std::vector<std::uint32_t> pressed;
    input.installHotKeyHandler([&](HotKeyID id) { pressed.push_back(id.id); });
    sim.model().hotKeysHeldElsewhere.insert({40, 6144});
    EXPECT_FALSE(input.registerHotKey(40, 6144, {0x54455353, 0}));
    const auto h = input.registerHotKey(1, 6144, {0x54455353, 3});
    ASSERT_TRUE(h);
    EXPECT_TRUE(sim.pressHotKey(1, 6144));
    EXPECT_FALSE(sim.pressHotKey(1, 2304));
    input.unregisterHotKey(*h);
    EXPECT_FALSE(sim.pressHotKey(1, 6144));
    EXPECT_EQ(pressed, std::vector<std::uint32_t>{3});

    int downs = 0;
    input.addGlobalMouseDownMonitor(mouse::kLeftMouseDownMask | mouse::kRightMouseDownMask,
                                    [&](MouseButton) { ++downs; });
    sim.mouseDown(MouseButton::Left);
    sim.mouseDown(MouseButton::Other);
    EXPECT_EQ(downs, 1);

    sim.model().registerError = "not allowed";
    EXPECT_EQ(current().loginItem().registerItem().error, "not allowed");
    EXPECT_EQ(current().loginItem().status(), LoginItemStatus::NotRegistered);
}
