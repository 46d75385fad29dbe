#include "FifoGuard.h"
#include "SimFixture.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonValue>

#include "common/Settings.h"
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
    // The configuration directory comes to lie under a regular file, so no save can succeed.
    void blockSaving() {
        const std::string blocker = sim.model().temporaryDirectory + "/not-a-directory";
        std::ofstream(blocker) << "x";
        sim.model().configHome = blocker;
    }
};

namespace {
// Files of this process may grow to `bytes` at most while it lives, as on a disk that is full:
// a write past the limit fails (the signal that would end the process is ignored). Root is held
// to it too, unlike to a folder's permissions.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit before_{};
    void (*previous_)(int) = nullptr;
};
}  // namespace

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

TEST_F(SettingsTest, BarOriginNeedsBothNumbers) {
    writeFile(R"({"barX": 12.5})");
    EXPECT_FALSE(Settings::barOrigin());
    Settings::d().setDouble(Settings::key::kBarY, -40);
    ASSERT_TRUE(Settings::barOrigin());
    EXPECT_EQ(Settings::barOrigin()->x, 12.5);
    EXPECT_EQ(Settings::barOrigin()->y, -40);
}

namespace {

// What the program makes of a key, as text.
std::string reading(const std::string& k) {
    using namespace Settings::key;
    Store& s = Settings::d();
    if (k == kDisguiseMode) {
        return s.integerForKey(k) == 1 ? "wallpaper" : "memo";
    }
    if (k == kIdleSec || k == kHotkeyMod) {
        return std::to_string(k == kIdleSec ? Settings::idleSec() : Settings::hotkeyMod());
    }
    if (k == kBarX) {
        return Settings::barOrigin() ? "set" : "none";
    }
    if (k == kOrder || k == kExcluded) {
        return s.stringArrayForKey(k) ? "set" : "none";
    }
    if (k == kLabels || k == kChatKeys) {
        return s.dictionaryForKey(k) ? "set" : "none";
    }
    return s.boolForKey(k) ? "true" : "false";
}

QJsonValue storedValue(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return QJsonDocument::fromJson(QByteArray::fromStdString(text))[QString::fromStdString(key)];
}

}  // namespace

// Hand-edited values of unexpected types, read as the README says, and kept in the file.
TEST_F(SettingsTest, EachKeyReadsOddValuesAsDocumented) {
    const std::array<const char*, 3> rows[] = {
        // key, its value (for barX both coordinates), what the program makes of it
        {"disguiseMode", "1.9", "wallpaper"},
        {"disguiseMode", "\" 1 \"", "wallpaper"},
        {"disguiseMode", "true", "memo"},
        {"paused", "\" Yes \"", "true"},
        {"paused", "\"2\"", "false"},
        {"paused", "0.5", "true"},
        {"paused", "[true]", "false"},
        {"wallpaperTitleAlways", "\"1\"", "true"},
        {"wallpaperTightFit", "\"on\"", "false"},
        {"idleSec", "59.9", "59"},
        {"idleSec", "\"60\"", "60"},
        {"idleSec", "\"30s\"", "0"},
        {"idleSec", "true", "0"},
        {"hotkeyMod", "\"4608\"", "4608"},
        {"hotkeyMod", "4294967295", "4294967295"},
        {"hotkeyMod", "4294967296", "6144"},
        {"hotkeyMod", "-1", "6144"},
        {"hotkeyMod", "\"ctrl+alt\"", "6144"},
        {"hotkeyMod", "true", "6144"},
        {"barX", "10, \"barY\": \"20\"", "none"},
        {"order", "[\"a\", 1]", "none"},
        {"excluded", "\"a\"", "none"},
        {"labels", "{\"채팅\": 5}", "none"},
        {"chatKeys", "[\"A\"]", "none"},
    };
    for (const auto& [key, json, expected] : rows) {
        platform::sim::SimDesktop::installFresh();
        writeFile(std::string("{\"") + key + "\": " + json + "}");
        const QJsonValue before = storedValue(path(), key);
        EXPECT_EQ(reading(key), expected) << key << ": " << json;
        Settings::d().setInteger("somethingElse", 1);
        EXPECT_EQ(storedValue(path(), key), before) << key << ": " << json;
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

// A key with U+FEFF in it (a stray byte-order mark, raw or escaped) is one Qt can neither look
// up nor save under its own name: a later save must not turn it into a key the program reads.
TEST_F(SettingsTest, AKeyWithAByteOrderMarkNeverBecomesAnotherKey) {
    writeFile(
        "{\"\xef\xbb\xbfpaused\": \" TRUE \", \"idleSec\": 30, \"hotkeyMod\": 4096,"
        " \"\\ufeffhotkeyMod\": 2048, \"disguiseMode\": 0, \"\xef\xbb\xbf"
        "disguiseMode\": 1}");
    Store first(platform::current());
    EXPECT_FALSE(first.boolForKey(Settings::key::kPaused));
    EXPECT_EQ(first.integerSetting(Settings::key::kIdleSec), 30);
    EXPECT_EQ(first.integerSetting(Settings::key::kHotkeyMod), 4096);
    EXPECT_EQ(first.integerSetting(Settings::key::kDisguiseMode), 0);

    first.setInteger(Settings::key::kIdleSec, 60);
    Store reread(platform::current());
    EXPECT_FALSE(reread.boolForKey(Settings::key::kPaused));
    EXPECT_FALSE(reread.hasObject(Settings::key::kPaused));
    EXPECT_EQ(reread.integerSetting(Settings::key::kIdleSec), 60);
    EXPECT_EQ(reread.integerSetting(Settings::key::kHotkeyMod), 4096);
    EXPECT_EQ(reread.integerSetting(Settings::key::kDisguiseMode), 0);
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
    blockSaving();
    Store& s = Settings::d();
    s.setInteger(Settings::key::kDisguiseMode, 1);
    EXPECT_EQ(s.integerForKey(Settings::key::kDisguiseMode), 1);
    EXPECT_TRUE(recordedStartingWith("system log: tessavo: cannot save settings"));
}

// Something other than a regular file under the settings name is not waited on, read, renamed
// or replaced by a save; the log says why.
TEST_F(SettingsTest, AFifoADeviceOrADirectoryIsLeftAlone) {
    const std::function<void(const std::string&)> makers[] = {
        [](const std::string& p) { ::mkfifo(p.c_str(), 0600); },
        [](const std::string& p) { fs::create_symlink("/dev/zero", p); },
        [](const std::string& p) { fs::create_directory(p); },
    };
    for (const auto& make : makers) {
        auto& fresh = platform::sim::SimDesktop::installFresh();
        fs::create_directories(fs::path(path()).parent_path());
        make(path());
        const auto type = fs::symlink_status(path()).type();
        EXPECT_TRUE(returnsPromptly(path(), [] { Settings::d(); }));
        Settings::d().setInteger(Settings::key::kIdleSec, 30);
        EXPECT_EQ(Settings::idleSec(), 30);  // kept for this run
        EXPECT_EQ(fs::symlink_status(path()).type(), type);
        EXPECT_TRUE(Settings::d().setAside().empty());
        const auto& r = fresh.record();
        EXPECT_EQ(r.at(0), "system log: tessavo: settings file " + path() +
                               " is unreadable (not a regular file); left in place, starting "
                               "from defaults");
        EXPECT_EQ(r.at(1).rfind("system log: tessavo: cannot save settings", 0), 0u);
    }
}

TEST_F(SettingsTest, AFileOverTheSizeLimitIsKeptAsideWhole) {
    const std::string atLimit =
        "{\"idleSec\": 30" + std::string(platform::kMaxConfigFileBytes - 15, ' ') + "}";
    writeFile(atLimit);
    EXPECT_EQ(Settings::idleSec(), 30);
    platform::sim::SimDesktop::installFresh();
    writeFile(atLimit + " ");
    Store& s = Settings::d();
    EXPECT_EQ(Settings::idleSec(), 0);
    ASSERT_FALSE(s.setAside().empty());
    EXPECT_EQ(readFile(s.setAside()), atLimit + " ");
}

// Callers read the mode through its rule or by mapping the raw integer; the two must agree.
TEST_F(SettingsTest, DisguiseModeReadsAlikeThroughItsRuleAndTheRawInteger) {
    for (const char* json : {"1", "1.9", "\" 1 \"", "0", "2", "-1", "4294967297", "true"}) {
        platform::sim::SimDesktop::installFresh();
        writeFile(std::string(R"({"disguiseMode": )") + json + "}");
        const auto raw = Settings::d().integerForKey(Settings::key::kDisguiseMode);
        EXPECT_EQ(Settings::disguiseMode(), disguiseModeFromStored(raw)) << json;
    }
}

// Only the typed readings apply the rules: the raw one keeps what is stored, and a negative idle
// time (off) is not mistaken for an unset one.
TEST_F(SettingsTest, RulesShapeOnlyTheTypedReadings) {
    writeFile(R"({"hotkeyMod": 4294967296, "idleSec": -5})");
    EXPECT_EQ(Settings::d().integerForKey(Settings::key::kHotkeyMod), 4294967296);
    EXPECT_EQ(Settings::hotkeyMod(), Settings::kDefaultHotkeyMod);
    EXPECT_EQ(Settings::idleSec(), -5);
}

// Each write is announced once, naming its key, when the new value can be read back from the
// store and from the file; storing the value already there is a write too. Reads are silent.
TEST_F(SettingsTest, EachWriteIsAnnouncedOnceAfterItIsSaved) {
    Store& s = Settings::d();
    std::vector<std::string> heard;
    QObject::connect(&s, &Store::changed, [&](const std::string& k) {
        const bool readable = s.hasObject(k) && Store(platform::current()).hasObject(k);
        heard.push_back(readable ? k : k + " before it was saved");
    });
    s.setInteger(Settings::key::kIdleSec, 60);
    s.setBool(Settings::key::kPaused, true);
    s.setDouble(Settings::key::kBarX, 3.5);
    s.setStringArray(Settings::key::kOrder, {"채팅"});
    s.setDictionary(Settings::key::kLabels, {{"채팅", "채"}});
    s.setInteger(Settings::key::kIdleSec, 60);
    Settings::idleSec();
    s.boolForKey(Settings::key::kPaused);
    EXPECT_EQ(heard, (std::vector<std::string>{"idleSec", "paused", "barX", "order", "labels",
                                               "idleSec"}));
}

// A value that cannot be saved holds for this run, so it is announced all the same, once the
// failure is logged.
TEST_F(SettingsTest, AnUnsavedWriteIsAnnouncedWithItsValueInPlace) {
    blockSaving();
    Store& s = Settings::d();
    std::vector<std::string> heard;
    QObject::connect(&s, &Store::changed, [&](const std::string& k) {
        const bool logged = recordedStartingWith("system log: tessavo: cannot save settings");
        heard.push_back(k + "=" + std::to_string(s.integerForKey(k)) + (logged ? ", logged" : ""));
    });
    s.setInteger(Settings::key::kDisguiseMode, 1);
    EXPECT_EQ(heard, std::vector<std::string>{"disguiseMode=1, logged"});
}

// Saves that fail one after another (a read-only or full folder) leave the file as it was and
// are told once, in the system log and to listeners (and the debug log); a save that succeeds again
// ends the spell, so the next failure is told anew.
TEST_F(SettingsTest, FailingSavesKeepTheOldFileAndAreToldOncePerSpell) {
    sim.model().environment.insert_or_assign("TESSAVO_DEBUG", std::string("1"));
    const std::string before = R"({"idleSec": 5})";
    writeFile(before);
    Store& s = Settings::d();
    std::vector<std::string> told;
    QObject::connect(&s, &Store::saveFailed, [&](const std::string& why) { told.push_back(why); });
    const auto noticesInRecord = [&] {
        return std::count_if(sim.record().begin(), sim.record().end(), [](const std::string& l) {
            return l.rfind("system log: tessavo: cannot save settings", 0) == 0;
        });
    };
    {
        const FileSizeLimit full(4);
        s.setInteger(Settings::key::kIdleSec, 30);
        s.setBool(Settings::key::kPaused, true);
        s.setInteger(Settings::key::kIdleSec, 60);
    }
    EXPECT_EQ(readFile(path()), before);
    EXPECT_EQ(directoryEntries(), std::vector<std::string>{"settings.json"});  // no temporary left
    EXPECT_EQ(Settings::idleSec(), 60);  // the values hold for this run
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("File too large"), std::string::npos) << told[0];
    EXPECT_EQ(noticesInRecord(), 1);

    s.setInteger(Settings::key::kIdleSec, 90);  // room again: everything held is saved
    EXPECT_EQ(Store(platform::current()).integerForKey(Settings::key::kIdleSec), 90);
    EXPECT_TRUE(Store(platform::current()).boolForKey(Settings::key::kPaused));
    {
        const FileSizeLimit full(4);
        s.setInteger(Settings::key::kIdleSec, 120);
    }
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(noticesInRecord(), 2);
    // The limit holds the debug log too: only the line written with room to spare is read back.
    const std::string log = readFile(sim.model().temporaryDirectory + "/tessavo.log");
    EXPECT_NE(log.find("SETTINGS saved again\n"), std::string::npos);
}
