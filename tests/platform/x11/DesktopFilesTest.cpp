#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/KeyCodes.h"
#include "platform/x11/DesktopEntries.h"
#include "platform/x11/XdgLoginItem.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::x11;

TEST(DesktopEntries, ExecLinesLoseFieldCodesAndKeepQuotedWords) {
    EXPECT_EQ(DesktopEntries::commandOf("kakaotalk %U"), std::vector<std::string>{"kakaotalk"});
    EXPECT_EQ(DesktopEntries::commandOf(
                  R"(env WINEPREFIX="/home/a b/.wine" wine "C:\\KakaoTalk.exe" %f)"),
              (std::vector<std::string>{"env", "WINEPREFIX=/home/a b/.wine", "wine",
                                        "C:\\KakaoTalk.exe"}));
    EXPECT_EQ(DesktopEntries::commandOf("app --rate=100%% --x"),
              (std::vector<std::string>{"app", "--rate=100%", "--x"}));
    EXPECT_TRUE(DesktopEntries::commandOf("   ").empty());
}

class XdgLoginItemTest : public ::testing::Test {
  protected:
    XdgLoginItemTest() {
        dir_ = fs::temp_directory_path() / ("tessavo-autostart-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
    }
    ~XdgLoginItemTest() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(XdgLoginItemTest, RegisterWritesAnEntryThatStartsThisProgramAndUnregisterRemovesIt) {
    XdgLoginItem item(dir_.string(), "/opt/My \"Apps\"/tessavo");
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    ASSERT_TRUE(item.registerItem().ok);
    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
    std::ifstream in(item.entryPath());
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(all.find(R"(Exec="/opt/My \\"Apps\\"/tessavo")"), std::string::npos) << all;
    ASSERT_TRUE(item.unregisterItem().ok);
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    EXPECT_TRUE(item.unregisterItem().ok);  // nothing to remove is not a failure
}

TEST_F(XdgLoginItemTest, AnEntrySwitchedOffInTheSessionIsNotEnabled) {
    XdgLoginItem item(dir_.string(), "/usr/bin/tessavo");
    ASSERT_TRUE(item.registerItem().ok);
    std::ofstream(item.entryPath(), std::ios::app) << "Hidden=true\n";
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
}

TEST_F(XdgLoginItemTest, AFailureCarriesTheSystemsReason) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / "autostart") << "a file where the folder should be";
    XdgLoginItem item(dir_.string(), "/usr/bin/tessavo");
    const LoginItemResult r = item.registerItem();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

TEST(KeyCodes, TheTableMapsBothWaysForExactlyLettersAndDigits) {
    EXPECT_EQ(KeyCodes::fromCharacter(U'A'), 0u);
    EXPECT_EQ(KeyCodes::fromCharacter(U'S'), 1u);
    EXPECT_EQ(KeyCodes::fromCharacter(U'Z'), 6u);
    EXPECT_EQ(KeyCodes::fromCharacter(U'K'), 40u);
    EXPECT_EQ(KeyCodes::fromCharacter(U'M'), 46u);
    EXPECT_EQ(KeyCodes::fromCharacter(U'1'), 18u);
    EXPECT_EQ(KeyCodes::fromCharacter(U'0'), 29u);
    int mapped = 0;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (const auto code = KeyCodes::fromCharacter(c)) {
            ++mapped;
            EXPECT_EQ(KeyCodes::toCharacter(*code), c);
        }
    }
    EXPECT_EQ(mapped, 36);
    EXPECT_FALSE(KeyCodes::fromCharacter(U'a'));
    EXPECT_FALSE(KeyCodes::fromCharacter(U'한'));
}
