// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFixture.h"

#include <filesystem>
#include <fstream>

#include "common/Log.h"

namespace fs = std::filesystem;

namespace {

// A fresh desktop whose temporary directory holds the log of an earlier run, with
// the debug switch set to `value` (unset when null). Returns the log's path.
std::string freshLog(const char* value) {
    auto& sim = platform::sim::SimDesktop::installFresh();
    if (value) {
        sim.model().environment.insert_or_assign("TESSAVO_DEBUG", std::string(value));
    }
    std::string path = sim.model().temporaryDirectory + "/tessavo.log";
    std::ofstream(path) << "earlier run\n";
    return path;
}

}  // namespace

TEST(LogTest, OnlyTheExactValueOneSwitchesItOnAndOffLeavesAnEarlierFileAlone) {
    for (const char* value :
         {static_cast<const char*>(nullptr), "", "0", "true", "yes", "01", " 1", "1 "}) {
        const std::string path = freshLog(value);
        Log::line("STATE 1 'a' = COVERED");
        EXPECT_FALSE(Log::enabled()) << '"' << (value ? value : "unset") << '"';
        EXPECT_EQ(readFile(path), "earlier run\n");
    }
}

// The earlier file is replaced by a private one, and window titles (from other programs) may
// not start a line of their own: control characters are escaped. The log's folder is
// world-writable: what stands under its name is never written through.
TEST(LogTest, OnReplacesTheEarlierFileWritingEachCallAsOneLineNeverThroughWhatStandsThere) {
    std::string path = freshLog("1");
    Log::line("PROTECT → 1001 '채팅 \"1\"' [front=KakaoTalk]");
    Log::line("");
    Log::line("STATE 1 'x\nSTATE 1 'forged' = COVERED' = REVEALED");
    Log::line(std::string("cr\r tab\t nul") + '\0' + " esc\x1b del\x7f \\n 한글 →");
    EXPECT_EQ(readFile(path),
              "PROTECT → 1001 '채팅 \"1\"' [front=KakaoTalk]\n\n"
              "STATE 1 'x\\nSTATE 1 'forged' = COVERED' = REVEALED\n"
              "cr\\r tab\\t nul\\x00 esc\\x1b del\\x7f \\n 한글 →\n");
    EXPECT_EQ(fs::symlink_status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);

    path = freshLog("1");
    const std::string victim = fs::path(path).parent_path() / "victim";
    std::ofstream(victim) << "precious\n";
    fs::remove(path);
    fs::create_symlink(victim, path);
    Log::line("hello");
    EXPECT_EQ(readFile(victim), "precious\n");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(readFile(path), "hello\n");

    path = freshLog("1");
    fs::remove(path);
    fs::create_directory(path);
    Log::line("hello");
    EXPECT_TRUE(fs::is_directory(path));
}
