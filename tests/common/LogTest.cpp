#include "SimFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "common/Log.h"

namespace fs = std::filesystem;

class LogTest : public SimTest {
  protected:
    std::string logPath() const { return sim.model().temporaryDirectory + "/tessavo.log"; }
    void switchOn() { sim.model().environment.insert_or_assign("TESSAVO_DEBUG", std::string("1")); }
    std::string read(const std::string& p) const {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(LogTest, OnlyTheExactValueOneSwitchesItOn) {
    for (const char* value : {"", "0", "true", "yes", "01", " 1", "1 "}) {
        platform::sim::SimDesktop& fresh = platform::sim::SimDesktop::installFresh();
        fresh.model().environment["TESSAVO_DEBUG"] = value;
        Log::line("x");
        EXPECT_FALSE(Log::enabled()) << '"' << value << '"';
        EXPECT_FALSE(fs::exists(fresh.model().temporaryDirectory + "/tessavo.log")) << value;
    }
}

TEST_F(LogTest, OffLeavesAnEarlierRunsFileAlone) {
    std::ofstream(logPath()) << "earlier run\n";
    Log::line("STATE 1 'a' = COVERED");
    EXPECT_EQ(read(logPath()), "earlier run\n");
}

TEST_F(LogTest, OnReplacesTheEarlierFileAndWritesLinesInOrder) {
    std::ofstream(logPath()) << "earlier run\n";
    switchOn();
    Log::line("PROTECT → 1001 '채팅 \"1\"' [front=KakaoTalk]");
    Log::line("two");
    Log::line("");
    EXPECT_EQ(read(logPath()), "PROTECT → 1001 '채팅 \"1\"' [front=KakaoTalk]\ntwo\n\n");
    struct stat st {};
    ASSERT_EQ(::lstat(logPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Window titles come from other programs: none of them may start a line of its own.
TEST_F(LogTest, ControlCharactersAreEscapedSoEveryCallIsOneLine) {
    switchOn();
    Log::line("STATE 1 'x\nSTATE 1 'forged' = COVERED' = REVEALED");
    Log::line(std::string("cr\r tab\t nul") + '\0' + " esc\x1b del\x7f \\n 한글 →");
    EXPECT_EQ(read(logPath()),
              "STATE 1 'x\\nSTATE 1 'forged' = COVERED' = REVEALED\n"
              "cr\\r tab\\t nul\\x00 esc\\x1b del\\x7f \\n 한글 →\n");
}

TEST_F(LogTest, APlantedLinkIsNeverWrittenThrough) {
    const std::string victim = sim.model().temporaryDirectory + "/victim";
    std::ofstream(victim) << "precious\n";
    fs::create_symlink(victim, logPath());
    switchOn();
    Log::line("hello");
    EXPECT_EQ(read(victim), "precious\n");
    EXPECT_FALSE(fs::is_symlink(logPath()));
    EXPECT_EQ(read(logPath()), "hello\n");
}

TEST_F(LogTest, AFileOfAnotherUserMeansNoLog) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a file to another user";
    }
    std::ofstream(logPath()) << "theirs\n";
    ASSERT_EQ(::chown(logPath().c_str(), 65534, 65534), 0);
    switchOn();
    Log::line("hello");
    Log::line("again");
    EXPECT_EQ(read(logPath()), "theirs\n");
}

TEST_F(LogTest, ADirectoryInTheWayMeansNoLog) {
    fs::create_directory(logPath());
    switchOn();
    Log::line("hello");
    EXPECT_TRUE(fs::is_directory(logPath()));
}
