// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyCodes.h"
#include "switcher/SwitcherFixture.h"

using namespace platform;

namespace {
constexpr std::int32_t kSlack = 600;
}  // namespace

// A listed application's windows are chats after the messenger's, stored apart from a
// messenger chat of the same title; taking the application off the list uncovers its windows
// at once.
TEST_F(SwitcherTest, AListedApplicationsWindowsAreChatsAfterTheMessengers) {
    sim.addApp(kSlack, "Slack", "Slack");
    sim.addWindow({.number = 2001, .pid = kSlack, .title = "채팅 1", .frame = {0, 0, 300, 300}});
    sim.addWindow({.number = 2002, .pid = kSlack, .title = "general", .frame = {0, 0, 300, 300}});
    sim.addWindow({.number = 2003,
                   .pid = kSlack,
                   .title = "파일",
                   .frame = {10, 10, 50, 50},
                   .role = WindowRole::Dialog});
    frontOther();
    auto& store = Settings::d();
    store.setStringArray(Settings::key::kApps, {"slack"});
    store.setStringArray(Settings::key::kOrder, {"slack\x1fgeneral"});
    store.setDictionary(Settings::key::kLabels, {{"채팅 1", "A"}, {"slack\x1f채팅 1", "S"}});
    store.setDictionary(Settings::key::kChatKeys, {{"slack\x1f채팅 1", "q"}});
    switcher().reloadSettings();
    tracker().start();
    tick();
    EXPECT_EQ(sim.model().followed, std::vector<std::string>{"slack"});
    EXPECT_TRUE(covered(2001) && covered(2002));
    EXPECT_EQ(cover(2003), nullptr);  // a dialog is no chat, but shows through the covers
    EXPECT_EQ(cover(2001)->cover->holes().size(), 1u);
    EXPECT_EQ(switcher().switchList,
              (std::vector<std::uint32_t>{1000, 1001, 1002, 1003, 2002, 2001}));
    EXPECT_EQ(switcher().label(1) + switcher().label(4) + switcher().label(5), "A4S");
    EXPECT_TRUE(sim.pressHotKey(*KeyCodes::fromCharacter(U'Q'), Settings::kDefaultHotkeyMod));
    EXPECT_TRUE(logged("PICK i=5 '채팅 1'"));
    EXPECT_TRUE(recorded("activate " + std::to_string(kSlack)));
    switcher().toggleCover(5);
    EXPECT_EQ(store.stringArrayForKey(Settings::key::kExcluded),
              std::vector<std::string>{"slack\x1f채팅 1"});

    store.setStringArray(Settings::key::kApps, {});
    switcher().reloadSettings();
    EXPECT_EQ(cover(2002), nullptr);
    EXPECT_EQ(switcher().switchList.size(), 4u);
}
