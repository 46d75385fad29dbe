// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QJsonObject>
#include <QObject>

#include "common/DisguiseMode.h"
#include "common/SettingsKeys.h"
#include "platform/Geometry.h"

namespace platform {
class Platform;
}

// The program's persistent settings: one JSON object in
// $XDG_CONFIG_HOME/tessavo/settings.json, read at the moment of use and written at the moment of
// change. Defaults are applied when reading, from the rules of SettingsKeys.h; nothing is
// registered in the file.
namespace Settings {

using StringMap = std::map<std::string, std::string>;

// The store. Values of unexpected types are kept as they are (so an outside edit is never lost
// on the next write) and read through the conversions below.
class Store : public QObject {
    Q_OBJECT

  public:
    explicit Store(platform::Platform& platform);

    // The stored integer: numbers truncate toward zero (clamped to 64 bits) and a string that
    // holds a whole decimal number (blanks around it allowed) gives that number. Absent for
    // anything else, Booleans included.
    std::optional<std::int64_t> storedInteger(const std::string& key) const;
    // storedInteger, with 0 when there is none.
    std::int64_t integerForKey(const std::string& key) const;
    // storedInteger when it is one the key's rule accepts, otherwise the rule's default; for a key
    // without an integer rule, integerForKey.
    std::int64_t integerSetting(const std::string& key) const;
    // The stored Boolean: numbers are true when non-zero, the strings "true", "yes", "1" true
    // and "false", "no", "0" false (any case, blanks around allowed). Anything else, absent
    // included, gives the key's default: false unless its rule says otherwise.
    bool boolForKey(const std::string& key) const;
    // A number (integer or floating point); absent for any other type.
    std::optional<double> numberForKey(const std::string& key) const;
    // Whether anything is stored under the key, to tell an absent key from a stored 0.
    bool hasObject(const std::string& key) const;
    // The array when every element is a string; otherwise absent.
    std::optional<std::vector<std::string>> stringArrayForKey(const std::string& key) const;
    // The object when every value is a string; otherwise absent.
    std::optional<StringMap> dictionaryForKey(const std::string& key) const;

    // Each write is visible at once, persisted atomically and then announced by changed().
    void setInteger(const std::string& key, std::int64_t value);
    void setBool(const std::string& key, bool value);
    void setDouble(const std::string& key, double value);
    void setStringArray(const std::string& key, const std::vector<std::string>& value);
    void setDictionary(const std::string& key, const StringMap& value);

    const std::string& path() const { return path_; }
    // Where an unreadable file was moved on load; empty when none was.
    const std::string& setAside() const { return setAside_; }

  signals:
    // Once after every write, even one that stores the value already there or that cannot be
    // saved (the new value then holds for this run).
    void changed(const std::string& key);
    // Once when saving starts to fail, with the reason; again only after a save has succeeded
    // since. A read-only or full folder fails every save, and one notice is enough.
    void saveFailed(const std::string& why);

  private:
    void load();
    void leaveInPlace(const std::string& why);
    void moveAside(const std::string& why);
    void set(const std::string& key, const class QJsonValue& value);
    void persist();

    platform::Platform& platform_;
    std::string path_;
    std::string setAside_;
    QJsonObject values_;
    bool saveFailing_ = false;
};

// The process-wide store of the installed platform.
Store& d();

// The hot-key modifier mask; 6144 when no integer is stored. A stored value outside 32 bits
// (only an outside edit makes one) also gives 6144.
std::uint32_t hotkeyMod();
// Idle seconds before everything is covered; 0 (off) when no integer is stored.
std::int64_t idleSec();
// The cover style: wallpaper for a stored 1, memo for anything else.
DisguiseMode disguiseMode();
// The applications protected besides the messenger, by window class: blanks trimmed, empty and
// repeated names (any case) dropped. None when the list is missing or holds anything but text.
std::vector<std::string> protectedApps();
// The switcher bar's saved origin, when both coordinates are stored as numbers.
std::optional<platform::Point> barOrigin();

}  // namespace Settings
