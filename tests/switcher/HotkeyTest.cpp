#include "platform/KeyCodes.h"
#include "switcher/SwitcherFixture.h"

using namespace platform;

namespace {
constexpr std::uint32_t kControlOption = modifier::kControl | modifier::kOption;
constexpr std::uint32_t kA = 0, kB = 11, kK = 40, k1 = 18;
using Registered = std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>>;
}  // namespace

class HotkeyManagerTest : public TrackerTest {
  protected:
    // What is registered now, as (key code, modifiers, id).
    Registered registered() const {
        Registered out;
        for (const auto& [h, key] : sim.model().hotKeys) {
            EXPECT_EQ(key.id.signature, HotkeyManager::kSignature);
            out.emplace_back(key.keyCode, key.modifiers, key.id.id);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    HotkeyManager& make() {
        return manager.emplace([this](char32_t c) { pressed += c; });
    }
    std::u32string pressed;
    std::optional<HotkeyManager> manager;
};

TEST_F(HotkeyManagerTest, RepeatsAndCharactersWithoutAKeyUseUpNoId) {
    HotkeyManager& m = make();
    EXPECT_EQ(registered(), (Registered{{kK, kControlOption, 0}}));
    m.keys = U"KAKA";
    m.reRegister();
    EXPECT_EQ(registered(), (Registered{{kA, kControlOption, 1}, {kK, kControlOption, 0}}));
    m.keys = U"K?1한a";  // lower case counts as upper case
    m.reRegister();
    EXPECT_EQ(
        registered(),
        (Registered{{kA, kControlOption, 2}, {k1, kControlOption, 1}, {kK, kControlOption, 0}}));
    EXPECT_TRUE(sim.pressHotKey(k1, kControlOption));
    EXPECT_TRUE(sim.pressHotKey(kA, kControlOption));
    EXPECT_EQ(pressed, U"1A");
}

TEST_F(HotkeyManagerTest, AKeyHeldElsewhereIsSkippedAndTheOthersStillWork) {
    sim.model().hotKeysHeldElsewhere.insert({kK, kControlOption});
    HotkeyManager& m = make();
    m.keys = U"KB";
    m.reRegister();
    EXPECT_EQ(registered(), (Registered{{kB, kControlOption, 1}}));
    EXPECT_EQ(m.idToChar, (std::map<std::uint32_t, char32_t>{{1, U'B'}}));
    EXPECT_TRUE(logged("HOTKEY unavailable 'K' mod=6144"));
    sim.pressHotKey(kB, kControlOption);
    EXPECT_EQ(pressed, U"B");
}

TEST(HotkeyManager, NoModifierRegistersNothingAndDestructionLeavesNothing) {
    auto& sim = platform::sim::SimDesktop::installFresh();
    std::u32string pressed;
    {
        HotkeyManager m([&](char32_t c) { pressed += c; });
        m.modifiers = 0;
        m.reRegister();
        EXPECT_TRUE(sim.model().hotKeys.empty());
        m.modifiers = modifier::kCommand | modifier::kShift;
        m.reRegister();
        EXPECT_FALSE(sim.pressHotKey(kK, kControlOption));  // the old combination is gone
        EXPECT_TRUE(sim.pressHotKey(kK, modifier::kCommand | modifier::kShift));
        EXPECT_EQ(pressed, U"K");
    }
    EXPECT_TRUE(sim.model().hotKeys.empty());
    EXPECT_TRUE(sim.model().hotKeyHandlers.empty());
}

// Hot keys as the running tracker sets them up from the stored chat keys.
class ChatHotkeyTest : public SwitcherTest {
  protected:
    void SetUp() override {
        SwitcherTest::SetUp();
        Settings::d().setDictionary(Settings::key::kChatKeys,
                                    {{"채팅 2", "b"}, {"채팅 3", "B"}, {"채팅 1", "K"}, {"x", ""}});
        switcher().reloadSettings();
        tracker().start();
        step();
    }
    void TearDown() override { tracker().stop(); }
    bool press(std::uint32_t keyCode, std::uint32_t mods = kControlOption) {
        return sim.pressHotKey(keyCode, mods);
    }
};

TEST_F(ChatHotkeyTest, KIsTheMainWindowAndEveryOtherKeyTheFirstChatWithIt) {
    EXPECT_EQ(switcher().hotkeys().keys, U"KKBB");  // in the stored titles' order
    press(kB);
    EXPECT_TRUE(logged("PICK i=2 '채팅 2'"));
    press(kK);  // K always means the main window, never the chat whose key is K
    EXPECT_TRUE(logged("PICK i=0 '카카오톡'"));
    EXPECT_FALSE(logged("PICK i=1 '채팅 1'"));

    sim.closeWindow(1000);
    sim.closeWindow(1002);
    step();
    press(kK);  // no main window: nothing
    EXPECT_FALSE(logged("PICK i=0 '채팅 1'"));
    press(kB);
    EXPECT_TRUE(logged("PICK i=1 '채팅 3'"));
}

TEST_F(ChatHotkeyTest, ReloadingReRegistersOnlyWhatChanged) {
    sim.clearRecord();
    switcher().reloadSettings();
    EXPECT_FALSE(recordedStartingWith("register hotkey") ||
                 recordedStartingWith("unregister hotkey"));

    Settings::d().setDictionary(Settings::key::kChatKeys, {{"채팅 3", "7"}});
    switcher().reloadSettings();
    press(kB);
    EXPECT_FALSE(logged("PICK i=2 '채팅 2'"));
    press(*KeyCodes::fromCharacter(U'7'));
    EXPECT_TRUE(logged("PICK i=3 '채팅 3'"));

    Settings::d().setInteger(Settings::key::kHotkeyMod, modifier::kControl | modifier::kShift);
    switcher().reloadSettings();
    EXPECT_EQ(switcher().hotkeys().modifiers, modifier::kControl | modifier::kShift);
    EXPECT_FALSE(press(kK));
    EXPECT_TRUE(press(kK, modifier::kControl | modifier::kShift));
}
