#include "SimFixture.h"

#include "discovery/AX.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

class AXTest : public SimTest {
  protected:
    AXTest() { addMessenger(sim, {.chats = 2, .focusFirstChat = false}); }
    Element chat(std::uint32_t n) const { return SimDesktop::windowElement(kMessengerPid, n); }
    std::vector<std::uint32_t> listedIds() const {
        std::vector<std::uint32_t> ids;
        for (const KWindow& w : AX::windows(kMessengerPid)) {
            ids.push_back(w.id);
        }
        return ids;
    }
};

TEST_F(AXTest, ListsTitledWindowsWithTheirFacts) {
    sim.window(1001).minimized = true;
    sim.window(1000).subrole = "";
    const auto wins = AX::windows(kMessengerPid);
    ASSERT_EQ(wins.size(), 3u);
    EXPECT_EQ(wins[0].id, 1002u);  // the application's own order: front to back here
    EXPECT_EQ(wins[0].title, "채팅 2");
    EXPECT_EQ(wins[0].subrole, "AXStandardWindow");
    EXPECT_EQ(wins[0].frame, Rect(600, 60, 420, 560));
    EXPECT_EQ(wins[0].element, chat(1002));
    EXPECT_TRUE(wins[1].minimized);
    EXPECT_EQ(wins[2].subrole, "");
}

TEST_F(AXTest, TitlesKeepOddCharactersAsTheyAre) {
    const std::string odd = "채팅 \"인용\" 'x'\n두 번째 줄\t\\ 🙂";
    sim.window(1001).title = odd;
    EXPECT_EQ(AX::windows(kMessengerPid).at(1).title, odd);
}

TEST_F(AXTest, UnreadableOrWronglyTypedAttributesSkipOrDefault) {
    // An empty or non-string title skips the window even though its frame is readable.
    sim.window(1000).title = "";
    sim.forceAttribute(chat(1001), ax::kTitle, {AXError::Success, 42.0});
    EXPECT_EQ(listedIds(), std::vector<std::uint32_t>{1002});

    // A size that cannot be read, or a position of the wrong type, skips the window.
    sim.forceAttribute(chat(1002), ax::kSize, {AXError::CannotComplete, {}});
    EXPECT_TRUE(listedIds().empty());
    sim.forceAttribute(chat(1002), ax::kSize, {AXError::Success, Size{1, 1}});
    sim.forceAttribute(chat(1002), ax::kPosition, {AXError::Success, Size{1, 1}});
    EXPECT_TRUE(listedIds().empty());
    sim.forceAttribute(chat(1002), ax::kPosition, {AXError::Success, Point{3, 4}});

    // Optional facts fall back; the window stays listed.
    sim.forceAttribute(chat(1002), ax::kMinimized, {AXError::Success, std::string("yes")});
    sim.forceAttribute(chat(1002), ax::kSubrole, {AXError::Success, true});
    sim.window(1002).minimized = true;
    const auto wins = AX::windows(kMessengerPid);
    ASSERT_EQ(wins.size(), 1u);
    EXPECT_FALSE(wins[0].minimized);
    EXPECT_EQ(wins[0].subrole, "");
    EXPECT_EQ(wins[0].frame, Rect(3, 4, 1, 1));
}

TEST_F(AXTest, AWindowWithoutNumberIsListedAsZero) {
    sim.window(1002).numberAvailable = false;
    EXPECT_EQ(listedIds(), (std::vector<std::uint32_t>{0, 1001, 1000}));
}

TEST_F(AXTest, TheWindowListItselfFailingGivesNothing) {
    const Element app = current().accessibility().applicationElement(kMessengerPid);
    sim.forceAttribute(app, ax::kWindows, {AXError::Success, std::string("windows")});
    EXPECT_TRUE(AX::windows(kMessengerPid).empty());
    sim.forceAttribute(app, ax::kWindows, {AXError::Failure, {}});
    EXPECT_TRUE(AX::windows(kMessengerPid).empty());
    EXPECT_TRUE(AX::windows(4242).empty());  // no such process
    sim.model().attributeOverrides.clear();
    sim.model().trusted = false;
    EXPECT_TRUE(AX::windows(kMessengerPid).empty());
    EXPECT_FALSE(AX::focusedWindowID(kMessengerPid));
    EXPECT_FALSE(AX::position(chat(1001)));
}

TEST_F(AXTest, FocusedWindowIsAbsentWithoutFocusOrNumber) {
    EXPECT_FALSE(AX::focusedWindowID(kMessengerPid));
    sim.focus(1001);
    EXPECT_EQ(AX::focusedWindowID(kMessengerPid), 1001u);
    sim.window(1001).numberAvailable = false;
    EXPECT_FALSE(AX::focusedWindowID(kMessengerPid));
    sim.forceAttribute(current().accessibility().applicationElement(kMessengerPid),
                       ax::kFocusedWindow, {AXError::Success, std::string("1002")});
    EXPECT_FALSE(AX::focusedWindowID(kMessengerPid));
}

TEST_F(AXTest, PressButtonOnlyPressesARealButton) {
    AX::pressButton(chat(1001), "AXZoomButton");
    sim.forceAttribute(chat(1000), ax::kCloseButton, {AXError::Success, std::string("button")});
    AX::pressButton(chat(1000), ax::kCloseButton);
    EXPECT_FALSE(recordedStartingWith("perform"));

    AX::pressButton(chat(1001), ax::kCloseButton);
    EXPECT_TRUE(recorded("perform close button of 1001 AXPress"));
    EXPECT_FALSE(sim.hasWindow(1001));
}

TEST_F(AXTest, FramesConvertAgainstThePrimaryScreenHeight) {
    EXPECT_EQ(axFrameToCocoa({100, 50, 400, 300}), Rect(100, 550, 400, 300));
    EXPECT_EQ(axFrameToCocoa({0, 0, 30, 20}), Rect(0, 880, 30, 20));
    // A taller second screen does not change the anchor; a window on it converts the same way.
    sim.model().screens.push_back({{1440, -180, 1920, 1080}, {1440, -180, 1920, 1080}, 2});
    EXPECT_EQ(axFrameToCocoa({1500, 1000, 100, 80}), Rect(1500, -180, 100, 80));
    sim.model().screens.clear();
    EXPECT_EQ(axFrameToCocoa({7, 50, 400, 300}), Rect(7, 0, 400, 300));
}
