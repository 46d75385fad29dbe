#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "FifoGuard.h"
#include "platform/KeyCodes.h"
#include "platform/x11/DesktopEntries.h"
#include "platform/x11/XdgLoginItem.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::x11;

using Args = std::vector<std::string>;

// Exec values exactly as they stand in .desktop files: first the key file's escapes, then the
// command line's quoting, then the field codes of a launch with no files.
TEST(DesktopEntries, ExecValuesBecomeTheArgumentsTheFormatMeans) {
    const DesktopEntries::EntryFields fields{"KakaoTalk", "kakaotalk", "/apps/kakao.desktop"};
    const std::pair<std::string, Args> cases[] = {
        // As Wine writes its launchers.
        {R"(env WINEPREFIX="/home/u/.wine" wine C:\\\\users\\\\Public\\\\Desktop\\\\KakaoTalk.lnk)",
         {"env", "WINEPREFIX=/home/u/.wine", "wine", R"(C:\users\Public\Desktop\KakaoTalk.lnk)"}},
        {R"("/opt/Kakao Talk/run" "C:\\\\Program Files\\\\KakaoTalk.exe" %U)",
         {"/opt/Kakao Talk/run", R"(C:\Program Files\KakaoTalk.exe)"}},
        {R"(app "say \\"hi\\" for \\$5 \\`now\\`" "C:\\dir")",
         {"app", "say \"hi\" for $5 `now`", R"(C:\dir)"}},
        {R"(app\sone\ttwo "" --rate=100%% "%%")", {"app", "one", "two", "", "--rate=100%", "%"}},
        {"app %f %F %u %U %d %D %n %N %v %m --file=%f", {"app", "--file="}},
        {"app %i %c %k", {"app", "--icon", "kakaotalk", "KakaoTalk", "/apps/kakao.desktop"}},
    };
    for (const auto& [exec, args] : cases) {
        const auto command = DesktopEntries::commandOf(exec, fields);
        EXPECT_EQ(command.args, args) << exec;
        EXPECT_EQ(command.error, "") << exec;
    }
    EXPECT_EQ(DesktopEntries::commandOf("app %i").args, Args{"app"});  // no icon, no arguments
}

TEST(DesktopEntries, MalformedExecValuesAreRefusedWithTheReason) {
    const std::pair<std::string, std::string> cases[] = {
        {R"(wine "C:\\KakaoTalk.exe)", "unterminated quote"},
        {R"(app "a\\")", "unterminated quote"},
        {R"(app a\)", "ends with a backslash"},
        {"app %x", "unknown field code %x"},
        {"app 100%", "unknown field code %"},
        {"app --files=%F", "%F must stand alone"},
        {"  %U ", "no program"},
    };
    for (const auto& [exec, reason] : cases) {
        const auto command = DesktopEntries::commandOf(exec);
        EXPECT_TRUE(command.args.empty()) << exec;
        EXPECT_EQ(command.error, reason) << exec;
    }
}

// Installed entries under a private data directory, with the system's directories out of sight.
class DesktopEntriesTest : public ::testing::Test {
  protected:
    DesktopEntriesTest() {
        dir_ = fs::temp_directory_path() / ("tessavo-entries-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "applications");
        ::setenv("XDG_DATA_HOME", dir_.c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (dir_ / "none").c_str(), 1);
    }
    ~DesktopEntriesTest() override {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_DATA_DIRS");
        fs::remove_all(dir_);
    }
    std::string entry(const std::string& name) const {
        return (dir_ / "applications" / (name + ".desktop")).string();
    }
    fs::path dir_;
};

TEST_F(DesktopEntriesTest, EntriesThatCannotBeUsedAreSkippedOrRefusedWithTheReason) {
    ASSERT_EQ(::mkfifo(entry("fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", entry("zero"));
    std::ofstream(entry("wine-kakao")) << "[Desktop Entry]\nStartupWMClass = kakaotalk.exe\n"
                                       << "Exec = wine \"C:\\\\KakaoTalk.exe\n";
    std::optional<std::string> found;
    EXPECT_TRUE(returnsPromptly(entry("fifo"), [&] { found = DesktopEntries::find({"absent"}); }));
    EXPECT_FALSE(found);
    ASSERT_EQ(DesktopEntries::find({"KakaoTalk.exe"}), entry("wine-kakao"));
    std::string why;
    EXPECT_FALSE(DesktopEntries::launch(entry("wine-kakao"), &why));
    EXPECT_EQ(why, "Exec: unterminated quote");
    EXPECT_FALSE(DesktopEntries::launch(entry("zero"), &why));
    EXPECT_EQ(why, "not a regular file");
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

// The login session may search another path than the one the program was started from: only
// the copy in a system folder goes by name, any other by its path, written so that the entry
// read back gives that very path.
TEST(XdgLoginItem, TheEntryStartsThisVeryProgram) {
    EXPECT_EQ(XdgLoginItem::execValue("/usr/bin/tessavo"), "tessavo");
    EXPECT_EQ(XdgLoginItem::execValue("/usr/local/bin/tessavo"), "tessavo");
    EXPECT_EQ(XdgLoginItem::execValue("/usr/bin/tessavo (deleted)"), "tessavo");  // upgraded
    EXPECT_EQ(XdgLoginItem::execValue("/home/u/bin/tessavo"), "/home/u/bin/tessavo");
    EXPECT_EQ(XdgLoginItem::execValue("/usr/bin/tessavo-dev"), "/usr/bin/tessavo-dev");
    const std::pair<std::string, std::string> written[] = {
        {"/home/u/My Apps/tessavo", R"("/home/u/My Apps/tessavo")"},
        {R"(/home/u/a\b/tessavo)", R"("/home/u/a\\\\b/tessavo")"},
        {"/home/u/$x `y`/100%/tessavo", R"("/home/u/\\$x \\`y\\`/100%%/tessavo")"},
    };
    for (const auto& [path, exec] : written) {
        EXPECT_EQ(XdgLoginItem::execValue(path), exec);
        EXPECT_EQ(DesktopEntries::commandOf(exec).args, Args{path}) << exec;
    }
    // Nothing the format can hold: the item is not written rather than written wrong.
    EXPECT_EQ(XdgLoginItem::execValue("/opt/a=b/tessavo"), std::nullopt);
    EXPECT_EQ(XdgLoginItem::execValue(""), std::nullopt);
}

TEST_F(XdgLoginItemTest, AnEntrySwitchedOffInTheSessionIsNotEnabled) {
    XdgLoginItem item(dir_.string(), "/usr/bin/tessavo");
    ASSERT_TRUE(item.registerItem().ok);
    std::ofstream(item.entryPath(), std::ios::app) << "Hidden=true\n";
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
}

TEST_F(XdgLoginItemTest, AFifoInPlaceOfTheEntryIsNotEnabledAndDoesNotHang) {
    XdgLoginItem item(dir_.string(), "/usr/bin/tessavo");
    fs::create_directories(fs::path(item.entryPath()).parent_path());
    ASSERT_EQ(::mkfifo(item.entryPath().c_str(), 0600), 0);
    LoginItemStatus status = LoginItemStatus::Enabled;
    EXPECT_TRUE(returnsPromptly(item.entryPath(), [&] { status = item.status(); }));
    EXPECT_EQ(status, LoginItemStatus::NotRegistered);
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
