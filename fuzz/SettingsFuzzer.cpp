// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: any bytes as settings.json, read through every typed getter for every key
// the program knows, then one write, whose file a fresh store must read back the same.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "common/Settings.h"
#include "common/SettingsKeys.h"
#include "platform/Platform.h"
#include "sim/SimDesktop.h"

namespace fs = std::filesystem;
using Settings::Store;
using Settings::Type;

namespace {

platform::sim::SimDesktop* desktop = nullptr;

// Every known key, and one an outside edit might add.
std::vector<std::string> keys() {
    std::vector<std::string> out;
    for (const Settings::KeyRule& rule : Settings::kKeys) {
        out.emplace_back(rule.name);
    }
    out.emplace_back("unknownKey");
    return out;
}

bool sameNumber(std::optional<double> a, std::optional<double> b) {
    if (!a || !b) {
        return a.has_value() == b.has_value();
    }
    return *a == *b || (std::isnan(*a) && std::isnan(*b));
}

// What every getter says of every key.
struct Reading {
    std::vector<std::optional<std::int64_t>> stored;
    std::vector<std::int64_t> setting;
    std::vector<bool> flags;
    std::vector<std::optional<double>> numbers;
    std::vector<bool> present;
    std::vector<std::optional<std::vector<std::string>>> arrays;
    std::vector<std::optional<Settings::StringMap>> maps;

    explicit Reading(const Store& s) {
        for (const std::string& key : keys()) {
            stored.push_back(s.storedInteger(key));
            setting.push_back(s.integerSetting(key));
            flags.push_back(s.boolForKey(key));
            numbers.push_back(s.numberForKey(key));
            present.push_back(s.hasObject(key));
            arrays.push_back(s.stringArrayForKey(key));
            maps.push_back(s.dictionaryForKey(key));
        }
    }

    bool operator==(const Reading& o) const {
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            if (!sameNumber(numbers[i], o.numbers[i])) {
                return false;
            }
        }
        return stored == o.stored && setting == o.setting && flags == o.flags &&
               present == o.present && arrays == o.arrays && maps == o.maps;
    }
};

// What the store promises of one key, whatever the file held.
void checkRules(const Store& s) {
    for (const Settings::KeyRule& rule : Settings::kKeys) {
        const std::string key = rule.name;
        const auto stored = s.storedInteger(key);
        const std::int64_t setting = s.integerSetting(key);
        if (rule.type == Type::integer) {
            FUZZ_CHECK(setting >= rule.least && setting <= rule.most);
            const bool accepted = stored && *stored >= rule.least && *stored <= rule.most;
            FUZZ_CHECK(setting == (accepted ? *stored : rule.fallback));
        } else {
            FUZZ_CHECK(setting == stored.value_or(0));
        }
        FUZZ_CHECK(s.integerForKey(key) == stored.value_or(0));
        // Anything readable is something stored.
        if (stored || s.numberForKey(key) || s.stringArrayForKey(key) || s.dictionaryForKey(key)) {
            FUZZ_CHECK(s.hasObject(key));
        }
        if (!s.hasObject(key)) {
            FUZZ_CHECK(s.boolForKey(key) == (rule.type == Type::boolean && rule.fallback != 0));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    desktop = &platform::sim::SimDesktop::installFresh();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string dir = desktop->workspace().configHome() + "/tessavo";
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    fs::create_directories(dir);
    std::ofstream(dir + "/settings.json", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    desktop->clearRecord();

    Store store(*desktop);
    checkRules(store);
    const Reading before(store);

    // One write: the written key reads back at once, the others are untouched, and a store
    // that starts from the saved file reads everything the same.
    const std::int64_t written = size > 0 ? static_cast<std::int8_t>(data[0]) : 7;
    store.setInteger(Settings::key::kIdleSec, written);
    FUZZ_CHECK(store.storedInteger(Settings::key::kIdleSec) == written);
    FUZZ_CHECK(store.integerSetting(Settings::key::kIdleSec) == written);
    const Reading after(store);
    const std::size_t idle = 6;  // kIdleSec's row
    FUZZ_CHECK(std::string(Settings::kKeys[idle].name) == Settings::key::kIdleSec);
    for (std::size_t i = 0; i < after.flags.size(); ++i) {
        if (i != idle) {
            FUZZ_CHECK(after.stored[i] == before.stored[i] && after.flags[i] == before.flags[i] &&
                       sameNumber(after.numbers[i], before.numbers[i]) &&
                       after.arrays[i] == before.arrays[i] && after.maps[i] == before.maps[i]);
        }
    }

    const Store reread(*desktop);
    FUZZ_CHECK(reread.setAside().empty());
    checkRules(reread);
    FUZZ_CHECK(Reading(reread) == after);
    return 0;
}
