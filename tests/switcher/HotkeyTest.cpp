// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyCodes.h"
#include "switcher/SwitcherFixture.h"

using namespace platform;

namespace {
constexpr std::uint32_t kControlOption = modifier::kControl | modifier::kOption;
constexpr std::uint32_t kA = 0, kK = 40, k1 = 18;
}  // namespace

// Each key registered once, each press telling its own character.
TEST_F(TrackerTest, RepeatsAndCharactersWithoutAKeyRegisterNothingAndNoModifierNothingAtAll) {
    std::u32string pressed;
    HotkeyManager m([&](char32_t c) { pressed += c; });
    m.keys = U"K?1한aka";  // lower case counts as upper case
    m.reRegister();
    EXPECT_EQ(sim.model().hotKeys.size(), 3u);
    for (const std::uint32_t code : {kA, kK, k1}) {
        EXPECT_TRUE(sim.pressHotKey(code, kControlOption));
    }
    EXPECT_EQ(pressed, U"AK1");
    m.modifiers = 0;
    m.reRegister();
    EXPECT_TRUE(sim.model().hotKeys.empty());
}

// Hot keys as the running tracker sets them up from the stored chat keys: K always means the
// main window, never the chat whose key is K; a new modifier is taken on reloading.
TEST_F(SwitcherTest, KIsTheMainWindowAndEveryOtherKeyTheFirstChatWithIt) {
    Settings::d().setDictionary(Settings::key::kChatKeys,
                                {{"채팅 2", "b"}, {"채팅 3", "B"}, {"채팅 1", "K"}, {"x", ""}});
    switcher().reloadSettings();
    tracker().start();
    tick();
    EXPECT_EQ(switcher().hotkeys().keys, U"KKBB");  // in the stored titles' order
    sim.pressHotKey(kK, kControlOption);
    EXPECT_TRUE(logged("PICK i=0 '카카오톡'"));
    EXPECT_FALSE(logged("PICK i=1 '채팅 1'"));

    Settings::d().setInteger(Settings::key::kHotkeyMod, modifier::kControl | modifier::kShift);
    switcher().reloadSettings();
    EXPECT_FALSE(sim.pressHotKey(kK, kControlOption));
    EXPECT_TRUE(
        sim.pressHotKey(*KeyCodes::fromCharacter(U'B'), modifier::kControl | modifier::kShift));
    EXPECT_TRUE(logged("PICK i=2 '채팅 2'"));
}
