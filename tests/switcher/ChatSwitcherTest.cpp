// SPDX-License-Identifier: GPL-3.0-or-later
#include "switcher/SwitcherFixture.h"

using namespace platform;

TEST_F(SwitcherTest, NoChatsHideTheBarAndAPositionPastTheListIsNoChat) {
    switcher().updateSwitcher({}, std::nullopt);
    EXPECT_FALSE(switcher().bar->isVisible());
    EXPECT_EQ(cover(1001)->cover->badgeLabel(), "1");  // the badges stay
    switcher().pick(-1);
    EXPECT_FALSE(logged("PICK i=-1 '?'"));
    EXPECT_EQ(switcher().label(7), "8");
}

// What the user asks to have covered is covered before control returns to the event loop: no
// tick of the timer is waited for.
TEST_F(SwitcherTest, CoveringTheUserAsksForNeedsNoTimerTick) {
    tracker().start();
    sim.focus(1002);
    tick();
    ASSERT_FALSE(covered(1002));
    switcher().pick(2);  // the chat in use goes back under its cover
    EXPECT_TRUE(covered(1002));

    switcher().toggleCover(1);  // covering off, then on again
    EXPECT_FALSE(covered(1001));
    switcher().toggleCover(1);
    EXPECT_TRUE(covered(1001));
    // Also while a pick's grace would still hold the chat revealed.
    switcher().pick(1);
    frontOther();
    switcher().toggleCover(1);
    switcher().toggleCover(1);
    EXPECT_TRUE(covered(1001));

    // The settings window takes a chat off the never-covered list.
    Settings::d().setStringArray(Settings::key::kExcluded, {"채팅 3"});
    switcher().reloadSettings();
    EXPECT_FALSE(covered(1003));
    Settings::d().setStringArray(Settings::key::kExcluded, {});
    switcher().reloadSettings();
    EXPECT_TRUE(covered(1003));
}

// Windows of one title share a label and key, so the settings window lists them once.
TEST_F(SwitcherTest, WindowsOfOneTitleAreOneEntryForTheSettingsWindow) {
    sim.window(1003).title = "채팅 1";
    tick();
    std::vector<std::string> keys;
    for (const ChatEntry& e : switcher().currentChats()) {
        keys.push_back(e.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"채팅 1", "채팅 2"}));
}
