// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFixture.h"

#include "discovery/AX.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;
using AXTest = SimTest;

TEST_F(AXTest, ListsTitledWindowsAndTheFocusedOne) {
    addMessenger(sim, {.chats = 2, .focusFirstChat = false});
    sim.addWindow({.number = 1009, .pid = kMessengerPid, .title = "", .frame = {1, 2, 3, 4}});
    const auto wins = AX::windows(kMessengerPid);
    ASSERT_EQ(wins.size(), 3u);                                  // the untitled window is left out
    EXPECT_EQ(wins[0].ref(), (WindowRef{kMessengerPid, 1002}));  // the application's order

    // The focused window is absent without focus or without permission to read windows.
    EXPECT_FALSE(AX::focusedWindowID(kMessengerPid));
    sim.focus(1001);
    EXPECT_EQ(AX::focusedWindowID(kMessengerPid), 1001u);
    sim.model().windowsReadable = false;
    EXPECT_FALSE(AX::focusedWindowID(kMessengerPid));
    EXPECT_TRUE(AX::windows(kMessengerPid).empty());
}
