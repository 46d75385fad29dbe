// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>

#include "FifoGuard.h"
#include "SimFixture.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

#include "common/Settings.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;
using Settings::Store;
namespace key = Settings::key;

namespace {

// The installed desktop's file (a test may install a fresh desktop part-way).
std::string path() {
    return platform::current().workspace().configHome() + "/tessavo/settings.json";
}
// The file as a user (or another program) left it, before the program starts.
void writeFile(const std::string& text) {
    fs::create_directories(fs::path(path()).parent_path());
    std::ofstream(path(), std::ios::binary) << text;
}
// Files in the settings folder: a temporary left behind would show here.
long entries() {
    return std::distance(fs::directory_iterator(fs::path(path()).parent_path()), {});
}
const std::string kCannotSave = "system log: tessavo: cannot save settings";

// What the program makes of a key, as text: for integers the typed reading, and the raw one
// where the key's rule sets it aside; for the mode, its rule and the raw mapping must agree.
std::string reading(const std::string& k) {
    Store& s = Settings::d();
    switch (Settings::ruleFor(k)->type) {
        case Settings::Type::boolean:
            return s.boolForKey(k) ? "true" : "false";
        case Settings::Type::number: {
            const auto o = Settings::barOrigin();
            return o ? (std::ostringstream() << o->x << ',' << o->y).str() : "none";
        }
        case Settings::Type::stringArray:
            if (k == key::kApps) {
                std::string names;
                for (const std::string& name : Settings::protectedApps()) {
                    names += "<" + name + ">";
                }
                return names;
            }
            return s.stringArrayForKey(k) ? "set" : "none";
        case Settings::Type::dictionary:
            return s.dictionaryForKey(k) ? "set" : "none";
        case Settings::Type::integer:
            break;
    }
    const std::int64_t raw = s.integerForKey(k);
    if (k == key::kDisguiseMode) {
        const DisguiseMode mode = Settings::disguiseMode();
        return std::string(mode == DisguiseMode::wallpaper ? "wallpaper" : "memo") +
               (mode == disguiseModeFromStored(raw) ? "" : " (raw disagrees)");
    }
    const std::int64_t typed = k == key::kIdleSec ? Settings::idleSec() : Settings::hotkeyMod();
    return std::to_string(typed) + (raw == typed ? "" : " raw " + std::to_string(raw));
}

// Runs `work` while files of this process may grow to 4 bytes, as on a full disk: a write past
// it fails (the signal that would end the process is ignored). Root is held to it too.
void onAFullDisk(const std::function<void()>& work) {
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit full{4, before.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &full);
    work();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
}

}  // namespace

using SettingsTest = SimTest;

// Hand-edited values of unexpected types, read as the README says; with no file, every key reads
// its default and reading creates none.
TEST_F(SettingsTest, EachKeyReadsOddValuesAsDocumented) {
    std::string defaults;
    for (const Settings::KeyRule& rule : Settings::kKeys) {
        defaults += reading(rule.name) + " ";
    }
    EXPECT_EQ(defaults, "memo false none none none none 0 6144 raw 0 none none false false  ");
    EXPECT_FALSE(fs::exists(path()));
    EXPECT_FALSE(disguiseModeFromRaw(2));
    // clang-format off
    const std::array<const char*, 3> rows[] = {
        // key, its value (for barX both coordinates), what the program makes of it
        {"disguiseMode", "1.9", "wallpaper"}, {"disguiseMode", "\" 1 \"", "wallpaper"},
        {"disguiseMode", "true", "memo"}, {"disguiseMode", "2", "memo"},
        {"disguiseMode", "4294967297", "memo"},
        {"paused", "\" Yes \"", "true"}, {"paused", "\"2\"", "false"}, {"paused", "0.5", "true"},
        {"idleSec", "59.9", "59"}, {"idleSec", "-5", "-5"}, {"idleSec", "\"30s\"", "0"},
        {"hotkeyMod", "0", "0"}, {"hotkeyMod", "4294967295", "4294967295"},
        {"hotkeyMod", "4294967296", "6144 raw 4294967296"}, {"hotkeyMod", "-1", "6144 raw -1"},
        {"barX", "12.5", "none"}, {"barX", "12.5, \"barY\": -40", "12.5,-40"},
        {"barX", "10, \"barY\": \"20\"", "none"},
        {"order", "[\"a\", 1]", "none"}, {"labels", "{\"채팅\": 5}", "none"},
        {"apps", "[\" Slack \", \"SLACK\", \"\", \"a b\"]", "<Slack><a b>"},
        {"apps", "[\"Slack\", 1]", ""}, {"apps", "\"Slack\"", ""},
    };
    // clang-format on
    for (const auto& [key, json, expected] : rows) {
        SCOPED_TRACE(std::string(key) + ": " + json);
        platform::sim::SimDesktop::installFresh();
        writeFile(std::string("{\"") + key + "\": " + json + "}");
        EXPECT_EQ(reading(key), expected);
    }
}

// Each write is saved and then announced once, naming its key; storing the value already there
// is a write too. Reads are silent.
TEST_F(SettingsTest, EachWriteIsSavedAndThenAnnouncedOnce) {
    Store& s = Settings::d();
    std::vector<std::string> heard;
    QObject::connect(&s, &Store::changed, [&](const std::string& k) {
        heard.push_back(Store(platform::current()).hasObject(k) ? k : k + " before it was saved");
    });
    s.setBool(key::kPaused, true);
    s.setInteger(key::kIdleSec, 60);
    s.setInteger(key::kIdleSec, 60);
    Settings::idleSec();
    EXPECT_EQ(heard, (std::vector<std::string>{"paused", "idleSec", "idleSec"}));
}

// A key with U+FEFF in it (a stray byte-order mark, raw or escaped) is one Qt can neither look
// up nor save under its own name: a later save must not turn it into a key the program reads.
TEST_F(SettingsTest, AKeyWithAByteOrderMarkNeverBecomesAnotherKey) {
    writeFile(
        "{\"\xef\xbb\xbfpaused\": \" TRUE \", \"idleSec\": 30, \"hotkeyMod\": 4096,"
        " \"\\ufeffhotkeyMod\": 2048}");
    for (const int idle : {30, 60}) {  // as read, then after a save and read back
        Store store(platform::current());
        EXPECT_FALSE(store.boolForKey(key::kPaused) || store.hasObject(key::kPaused));
        EXPECT_EQ(store.integerSetting(key::kIdleSec), idle);
        EXPECT_EQ(store.integerSetting(key::kHotkeyMod), 4096);
        store.setInteger(key::kIdleSec, 60);
    }
}

// What cannot be read as settings is moved aside whole, never replaced by a new file, and
// defaults apply; an empty file is just empty. Something other than a regular file is not
// waited on, read, renamed or replaced by a save; the log says why.
TEST_F(SettingsTest, UnreadableFilesAreKeptAsideAndOddFilesLeftAlone) {
    const std::string atLimit =
        "{\"idleSec\": 30" + std::string(platform::kMaxConfigFileBytes - 15, ' ') + "}";
    // The file (the first one cut short), the idle time read from it, whether it is set aside.
    const std::tuple<std::string, int, bool> files[] = {
        {"{\"idleSec\": 30, \"order\": [\"채팅\" ", 0, true},
        {"[1, 2, 3]", 0, true},
        {"  \n", 0, false},
        {atLimit, 30, false},
        {atLimit + " ", 0, true}};
    for (const auto& [text, idle, aside] : files) {
        SCOPED_TRACE(text.substr(0, 40));
        auto& sim = platform::sim::SimDesktop::installFresh();
        writeFile(text);
        Store& s = Settings::d();
        EXPECT_EQ(Settings::idleSec(), idle);
        EXPECT_EQ(countRecorded(sim, "system log: tessavo: settings file"), aside ? 1 : 0);
        s.setInteger(key::kIdleSec, 60);
        EXPECT_EQ(s.setAside().empty() ? "" : readFile(s.setAside()), aside ? text : "");
        EXPECT_EQ(Store(platform::current()).integerForKey(key::kIdleSec), 60);
        EXPECT_EQ(entries(), aside ? 2 : 1);
    }
    for (const bool fifo : {true, false}) {  // else a link to an endless device
        auto& fresh = platform::sim::SimDesktop::installFresh();
        fs::create_directories(fs::path(path()).parent_path());
        fifo ? void(::mkfifo(path().c_str(), 0600)) : fs::create_symlink("/dev/zero", path());
        const auto type = fs::symlink_status(path()).type();
        EXPECT_TRUE(returnsPromptly(path(), [] { Settings::d(); }));
        Settings::d().setInteger(key::kIdleSec, 30);
        EXPECT_EQ(fs::symlink_status(path()).type(), type);
        EXPECT_EQ(fresh.record().at(0), "system log: tessavo: settings file " + path() +
                                            " is unreadable (not a regular file); left in "
                                            "place, starting from defaults");
        EXPECT_EQ(countRecorded(fresh, kCannotSave), 1);
    }
}

// Saves keep outside edits and the file private. Saves that fail one after another (a read-only
// or full folder) leave the file as it was and are told once, in the system log and to listeners
// (and the debug log); a save that succeeds again ends the spell, so the next failure is told anew.
// A value that cannot be saved holds for this run.
TEST_F(SettingsTest, FailingSavesKeepTheOldFileAndAreToldOncePerSpell) {
    sim.model().environment.insert_or_assign("TESSAVO_DEBUG", std::string("1"));
    writeFile(R"({"idleSec": 5, "somethingNew": [1, {"a": null}]})");
    Store& s = Settings::d();
    s.setDouble(key::kBarX, std::numeric_limits<double>::infinity());  // never invalid JSON
    const std::string before = readFile(path());
    std::vector<std::string> told;
    QObject::connect(&s, &Store::saveFailed, [&](const std::string& why) { told.push_back(why); });
    onAFullDisk([&] {
        s.setInteger(key::kIdleSec, 30);
        s.setBool(key::kPaused, true);
    });
    EXPECT_EQ(Settings::idleSec(), 30);
    EXPECT_EQ(readFile(path()), before);
    EXPECT_EQ(entries(), 1);  // no temporary left
    ASSERT_EQ(told.size(), 1u);
    EXPECT_THAT(told[0], testing::HasSubstr("File too large"));
    EXPECT_EQ(countRecorded(sim, kCannotSave), 1);

    s.setInteger(key::kIdleSec, 90);  // room again: everything held is saved, privately
    EXPECT_TRUE(Store(platform::current()).boolForKey(key::kPaused));
    EXPECT_EQ(Store(platform::current()).numberForKey(key::kBarX), 0.0);
    EXPECT_TRUE(Store(platform::current()).hasObject("somethingNew"));
    EXPECT_EQ(fs::status(path()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    onAFullDisk([&] { s.setInteger(key::kIdleSec, 120); });
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(countRecorded(sim, kCannotSave), 2);
    // The limit holds the debug log too: only the line written with room to spare is read back.
    EXPECT_THAT(readFile(sim.model().temporaryDirectory + "/tessavo.log"),
                testing::HasSubstr("SETTINGS saved again\n"));

    // A file where the folder should be: no save can even begin.
    auto& blocked = platform::sim::SimDesktop::installFresh();
    std::ofstream(fs::path(path()).parent_path()) << "x";
    Settings::d().setInteger(key::kIdleSec, 30);
    EXPECT_EQ(countRecorded(blocked, kCannotSave), 1);
}
