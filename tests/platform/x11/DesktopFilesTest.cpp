// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "FifoGuard.h"
#include "SimFixture.h"
#include "platform/KeyCodes.h"
#include "platform/x11/DesktopEntries.h"
#include "platform/x11/XdgLoginItem.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::x11;

using Args = std::vector<std::string>;
using testing::HasSubstr;

// Exec values exactly as they stand in .desktop files: first the key file's escapes, then the
// command line's quoting, then the field codes of a launch with no files; or why not.
TEST(DesktopEntries, ExecValuesBecomeTheArgumentsTheFormatMeansOrAReason) {
    const DesktopEntries::EntryFields fields{"KakaoTalk", "kakaotalk", "/apps/kakao.desktop"};
    const struct {
        std::string exec;
        Args args;
        std::string error;
    } cases[] = {
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
        {R"(wine "C:\\KakaoTalk.exe)", {}, "unterminated quote"},
        {R"(app a\)", {}, "ends with a backslash"},
        {"app %x", {}, "unknown field code %x"},
        {"app 100%", {}, "unknown field code %"},
        {"app --files=%F", {}, "%F must stand alone"},
        {"  %U ", {}, "no program"},
    };
    for (const auto& [exec, args, error] : cases) {
        const auto command = DesktopEntries::commandOf(exec, fields);
        EXPECT_EQ(command.args, args) << exec;
        EXPECT_EQ(command.error, error) << exec;
    }
    EXPECT_EQ(DesktopEntries::commandOf("app %i").args, Args{"app"});  // no icon, no arguments
}

// Entries and autostart files under a private folder, with the system's folders out of sight.
class DesktopFilesTest : public ::testing::Test {
  protected:
    DesktopFilesTest() {
        dir_ = fs::temp_directory_path() / ("tessavo-desktop-files-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "applications");
        ::setenv("XDG_DATA_HOME", dir_.c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (dir_ / "none").c_str(), 1);
    }
    ~DesktopFilesTest() override {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_DATA_DIRS");
        fs::remove_all(dir_);
    }
    std::string entry(const std::string& name) const {
        return (dir_ / "applications" / (name + ".desktop")).string();
    }
    fs::path dir_;
};

TEST_F(DesktopFilesTest, EntriesThatCannotBeUsedAreSkippedOrRefusedWithTheReason) {
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

TEST_F(DesktopFilesTest, TheLoginItemIsAnAutostartEntryThatStartsThisProgram) {
    XdgLoginItem item(dir_.string(), "/opt/My \"Apps\"/tessavo");
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    ASSERT_TRUE(item.registerItem().ok);
    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
    EXPECT_THAT(readFile(item.entryPath()), HasSubstr(R"(Exec="/opt/My \\"Apps\\"/tessavo")"));
    // Switched off in the session, it is not enabled.
    std::ofstream(item.entryPath(), std::ios::app) << "Hidden=true\n";
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    ASSERT_TRUE(item.unregisterItem().ok);
    EXPECT_FALSE(fs::exists(item.entryPath()));
    EXPECT_TRUE(item.unregisterItem().ok);  // nothing to remove is not a failure

    // A FIFO in its place is not enabled and is not waited on.
    ASSERT_EQ(::mkfifo(item.entryPath().c_str(), 0600), 0);
    LoginItemStatus status = LoginItemStatus::Enabled;
    EXPECT_TRUE(returnsPromptly(item.entryPath(), [&] { status = item.status(); }));
    EXPECT_EQ(status, LoginItemStatus::NotRegistered);

    // A failure carries the system's reason.
    fs::remove_all(dir_ / "autostart");
    std::ofstream(dir_ / "autostart") << "a file where the folder should be";
    const LoginItemResult r = item.registerItem();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

// The login session may search another path than the one the program was started from: only
// the copy in a system folder goes by name, any other by its path, written so that the entry
// read back gives that very path.
TEST(XdgLoginItem, TheEntryStartsThisVeryProgram) {
    EXPECT_EQ(XdgLoginItem::execValue("/usr/bin/tessavo"), "tessavo");
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

// Chat keys are stored as these codes: exactly the letters and digits map, both ways.
TEST(KeyCodes, TheTableMapsBothWaysForExactlyLettersAndDigits) {
    int mapped = 0;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (const auto code = KeyCodes::fromCharacter(c)) {
            ++mapped;
            EXPECT_EQ(KeyCodes::toCharacter(*code), c);
            EXPECT_TRUE((c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')) << int(c);
        }
    }
    EXPECT_EQ(mapped, 36);
}
