#include "FifoGuard.h"
#include "SimFixture.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "app/Settings.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;
using Settings::Store;

class SettingsTest : public SimTest {
  protected:
    // The installed desktop's file (a test may install a fresh desktop part-way).
    std::string path() const {
        return platform::current().workspace().configHome() + "/tessavo/settings.json";
    }

    // The file as a user (or another program) left it, before the program starts.
    void writeFile(const std::string& text) {
        fs::create_directories(fs::path(path()).parent_path());
        std::ofstream(path(), std::ios::binary) << text;
    }
    std::string readFile(const std::string& p) const {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> directoryEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(fs::path(path()).parent_path())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SettingsTest, FreshInstallationGivesEveryDefault) {
    Store& s = Settings::d();
    EXPECT_EQ(disguiseModeFromStored(s.integerForKey(Settings::key::kDisguiseMode)),
              DisguiseMode::memo);
    EXPECT_FALSE(s.boolForKey(Settings::key::kPaused));
    EXPECT_FALSE(s.stringArrayForKey(Settings::key::kOrder));
    EXPECT_FALSE(s.dictionaryForKey(Settings::key::kLabels));
    EXPECT_EQ(Settings::idleSec(), 0);
    EXPECT_EQ(Settings::hotkeyMod(), 6144u);
    EXPECT_FALSE(Settings::barOrigin());
    EXPECT_FALSE(s.boolForKey(Settings::key::kWallpaperTightFit));
    EXPECT_FALSE(fs::exists(path()));  // reading never creates the file
}

TEST_F(SettingsTest, StoredZeroIsNotTheDefault) {
    Settings::d().setInteger(Settings::key::kIdleSec, 0);
    Settings::d().setInteger(Settings::key::kHotkeyMod, 0);
    EXPECT_EQ(Settings::idleSec(), 0);
    EXPECT_EQ(Settings::hotkeyMod(), 0u);
}

TEST_F(SettingsTest, DisguiseModeOnlyOneIsWallpaper) {
    EXPECT_EQ(disguiseModeFromStored(1), DisguiseMode::wallpaper);
    for (std::int64_t v : {0LL, 2LL, 7LL, -1LL}) {
        EXPECT_EQ(disguiseModeFromStored(v), DisguiseMode::memo) << v;
    }
    EXPECT_EQ(disguiseModeFromRaw(1), DisguiseMode::wallpaper);
    EXPECT_FALSE(disguiseModeFromRaw(2));
}

TEST_F(SettingsTest, WronglyTypedValuesReadAsAbsentOrConvert) {
    writeFile(R"({
        "labels": {"채팅 1": "A", "채팅 2": 5},
        "chatKeys": ["not", "a", "dictionary"],
        "order": ["a", 1],
        "excluded": "x",
        "barX": 10, "barY": "20",
        "idleSec": 59.9,
        "paused": "yes",
        "disguiseMode": true,
        "wallpaperTightFit": 0
    })");
    Store& s = Settings::d();
    EXPECT_FALSE(s.dictionaryForKey(Settings::key::kLabels));  // not partially filled
    EXPECT_FALSE(s.dictionaryForKey(Settings::key::kChatKeys));
    EXPECT_FALSE(s.stringArrayForKey(Settings::key::kOrder));
    EXPECT_FALSE(s.stringArrayForKey(Settings::key::kExcluded));
    EXPECT_FALSE(Settings::barOrigin());
    EXPECT_EQ(Settings::idleSec(), 59);
    EXPECT_TRUE(s.boolForKey(Settings::key::kPaused));
    EXPECT_EQ(disguiseModeFromStored(s.integerForKey(Settings::key::kDisguiseMode)),
              DisguiseMode::wallpaper);
    EXPECT_FALSE(s.boolForKey(Settings::key::kWallpaperTightFit));
}

TEST_F(SettingsTest, BarOriginNeedsBothNumbers) {
    writeFile(R"({"barX": 12.5})");
    EXPECT_FALSE(Settings::barOrigin());
    Settings::d().setDouble(Settings::key::kBarY, -40);
    ASSERT_TRUE(Settings::barOrigin());
    EXPECT_EQ(Settings::barOrigin()->x, 12.5);
    EXPECT_EQ(Settings::barOrigin()->y, -40);
}

TEST_F(SettingsTest, HotkeyMaskOutside32BitsFallsBackToDefault) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"4294967295", 4294967295u},
        {"4294967296", 6144u},
        {"-1", 6144u},
        {"1e30", 6144u},
        {"-1e30", 6144u},
        {"2304", 2304u},
    };
    for (const auto& [text, expected] : cases) {
        platform::sim::SimDesktop& fresh = platform::sim::SimDesktop::installFresh();
        fs::create_directories(fresh.model().configHome + "/tessavo");
        std::ofstream(fresh.model().configHome + "/tessavo/settings.json")
            << "{\"hotkeyMod\": " << text << "}";
        EXPECT_EQ(Settings::hotkeyMod(), expected) << text;
    }
}

TEST_F(SettingsTest, WritesPersistAtomicallyPrivatelyAndKeepOutsideEdits) {
    writeFile(R"({"somethingNew": [1, {"a": null}], "labels": {"x": 1}})");
    Store& s = Settings::d();
    const std::vector<std::string> order = {"카카오톡", "He said \"hi\"", "line\nbreak",
                                            "탭\tand \\"};
    s.setStringArray(Settings::key::kOrder, order);
    s.setDictionary(Settings::key::kChatKeys, {{"채팅 1", "A"}, {"\"quoted\"", "7"}});
    s.setBool(Settings::key::kPaused, true);
    s.setDouble(Settings::key::kBarX,
                std::numeric_limits<double>::infinity());  // never written as invalid JSON

    // A second store reads what the first one wrote.
    Store reread(platform::current());
    EXPECT_EQ(reread.stringArrayForKey(Settings::key::kOrder), order);
    EXPECT_EQ(reread.dictionaryForKey(Settings::key::kChatKeys)->at("\"quoted\""), "7");
    EXPECT_TRUE(reread.boolForKey(Settings::key::kPaused));
    EXPECT_EQ(reread.numberForKey(Settings::key::kBarX), 0.0);
    EXPECT_TRUE(reread.hasObject("somethingNew"));
    EXPECT_TRUE(reread.hasObject(Settings::key::kLabels));
    EXPECT_TRUE(reread.setAside().empty());

    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(fs::path(path()).parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(directoryEntries(), std::vector<std::string>{"settings.json"});  // no temporaries
}

TEST_F(SettingsTest, UnreadableFileIsKeptAsideAndDefaultsApply) {
    const std::string garbage = "{\"idleSec\": 30, \"order\": [\"채팅\" ";  // cut short
    writeFile(garbage);
    Store& s = Settings::d();
    EXPECT_EQ(Settings::idleSec(), 0);
    ASSERT_FALSE(s.setAside().empty());
    EXPECT_EQ(readFile(s.setAside()), garbage);
    EXPECT_TRUE(recordedStartingWith("system log: tessavo: settings file"));

    s.setInteger(Settings::key::kIdleSec, 60);
    EXPECT_EQ(readFile(s.setAside()), garbage);  // the new file never replaces the old one
    EXPECT_EQ(Store(platform::current()).integerForKey(Settings::key::kIdleSec), 60);
    EXPECT_EQ(directoryEntries().size(), 2u);
}

TEST_F(SettingsTest, NonObjectDocumentIsKeptAsideButAnEmptyFileIsJustEmpty) {
    writeFile("[1, 2, 3]");
    EXPECT_FALSE(Settings::d().setAside().empty());

    platform::sim::SimDesktop::installFresh();
    writeFile("  \n");
    EXPECT_TRUE(Settings::d().setAside().empty());
    EXPECT_EQ(directoryEntries(), std::vector<std::string>{"settings.json"});
}

TEST_F(SettingsTest, FailedSaveKeepsTheValueForThisRunAndSaysWhy) {
    // The configuration directory lies under a regular file, so nothing can be created there.
    const std::string blocker = sim.model().temporaryDirectory + "/not-a-directory";
    std::ofstream(blocker) << "x";
    sim.model().configHome = blocker;
    Store& s = Settings::d();
    s.setInteger(Settings::key::kDisguiseMode, 1);
    EXPECT_EQ(s.integerForKey(Settings::key::kDisguiseMode), 1);
    EXPECT_TRUE(recordedStartingWith("system log: tessavo: cannot save settings"));
}

// Something other than a regular file under the settings name: read as no settings, left exactly
// where it is (never renamed, never replaced by a save), and the log says why.
class SettingsSpecialFileTest : public SettingsTest {
  protected:
    void expectLeftAloneWithDefaults(const std::string& kind) {
        Store& s = Settings::d();
        EXPECT_EQ(Settings::hotkeyMod(), 6144u) << kind;
        EXPECT_TRUE(s.setAside().empty()) << kind;
        EXPECT_TRUE(recordedStartingWith("system log: tessavo: settings file " + path() +
                                         " is unreadable (not a regular file)"))
            << kind;
        s.setInteger(Settings::key::kIdleSec, 30);
        EXPECT_EQ(Settings::idleSec(), 30) << kind;  // kept for this run
        EXPECT_TRUE(recordedStartingWith("system log: tessavo: cannot save settings")) << kind;
    }
};

TEST_F(SettingsSpecialFileTest, AFifoWithNoWriterIsNotWaitedFor) {
    fs::create_directories(fs::path(path()).parent_path());
    ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
    EXPECT_TRUE(returnsPromptly(path(), [] { Settings::d(); }));
    expectLeftAloneWithDefaults("fifo");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(path())));
}

TEST_F(SettingsSpecialFileTest, ALinkToAnEndlessDeviceIsNotRead) {
    fs::create_directories(fs::path(path()).parent_path());
    fs::create_symlink("/dev/zero", path());
    expectLeftAloneWithDefaults("/dev/zero");
    EXPECT_EQ(fs::read_symlink(path()), "/dev/zero");
}

TEST_F(SettingsSpecialFileTest, ADirectoryIsNotRenamed) {
    fs::create_directories(path());
    std::ofstream(path() + "/inside") << "x";
    expectLeftAloneWithDefaults("directory");
    EXPECT_EQ(readFile(path() + "/inside"), "x");
}

TEST_F(SettingsTest, AFileOverTheSizeLimitIsKeptAsideWhole) {
    const std::string huge =
        "{\"idleSec\": 30" + std::string(platform::kMaxConfigFileBytes, ' ') + "}";
    writeFile(huge);
    Store& s = Settings::d();
    EXPECT_EQ(Settings::idleSec(), 0);
    ASSERT_FALSE(s.setAside().empty());
    EXPECT_EQ(readFile(s.setAside()), huge);
    EXPECT_TRUE(recordedStartingWith("system log: tessavo: settings file " + path() +
                                     " is unreadable (larger than 4 MiB)"));
}
