// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace Settings {

namespace key {
inline constexpr const char* kDisguiseMode = "disguiseMode";
inline constexpr const char* kPaused = "paused";
inline constexpr const char* kOrder = "order";
inline constexpr const char* kExcluded = "excluded";
inline constexpr const char* kLabels = "labels";
inline constexpr const char* kChatKeys = "chatKeys";
inline constexpr const char* kIdleSec = "idleSec";
inline constexpr const char* kHotkeyMod = "hotkeyMod";
inline constexpr const char* kBarX = "barX";
inline constexpr const char* kBarY = "barY";
inline constexpr const char* kWallpaperTitleAlways = "wallpaperTitleAlways";
inline constexpr const char* kWallpaperTightFit = "wallpaperTightFit";
inline constexpr const char* kApps = "apps";
}  // namespace key

inline constexpr std::uint32_t kDefaultHotkeyMod = 6144;  // control + option

// How a key's value is stored, and so which of the store's conversions reads it.
enum class Type { integer, boolean, number, stringArray, dictionary };

inline constexpr std::int64_t kNoLowerLimit = std::numeric_limits<std::int64_t>::min();
inline constexpr std::int64_t kNoUpperLimit = std::numeric_limits<std::int64_t>::max();

// What the program makes of one key. An integer key reads as its stored integer when that lies
// in [least, most] and as the default otherwise (absent, unreadable or out of range); a Boolean
// key reads as its default (0 false, 1 true) when nothing readable is stored. Numbers, arrays
// and dictionaries have no default: they read as absent.
struct KeyRule {
    const char* name;
    Type type;
    std::int64_t fallback = 0;
    std::int64_t least = kNoLowerLimit;
    std::int64_t most = kNoUpperLimit;
};

// Every key the program stores, once. A key added here is read with its rule everywhere.
// clang-format off
inline constexpr KeyRule kKeys[] = {
    // name                       stored as          default            accepted integers
    {key::kDisguiseMode,          Type::integer,     0,                 0, 1},  // memo, wallpaper
    {key::kPaused,                Type::boolean},
    {key::kOrder,                 Type::stringArray},
    {key::kExcluded,              Type::stringArray},
    {key::kLabels,                Type::dictionary},
    {key::kChatKeys,              Type::dictionary},
    {key::kIdleSec,               Type::integer},                          // below 1: off
    {key::kHotkeyMod,             Type::integer,     kDefaultHotkeyMod, 0, 0xFFFFFFFF},
    {key::kBarX,                  Type::number},
    {key::kBarY,                  Type::number},
    {key::kWallpaperTitleAlways,  Type::boolean},
    {key::kWallpaperTightFit,     Type::boolean},
    {key::kApps,                  Type::stringArray},  // window classes protected too
};
// clang-format on

// The rule of a key; none for a key the program does not know (an outside edit may add one).
constexpr const KeyRule* ruleFor(std::string_view name) {
    for (const KeyRule& rule : kKeys) {
        if (name == rule.name) {
            return &rule;
        }
    }
    return nullptr;
}

namespace detail {

constexpr bool everyRuleIsConsistent() {
    for (const KeyRule& rule : kKeys) {
        if (ruleFor(rule.name) != &rule) {
            return false;  // a second row for the same name would never be consulted
        }
        if (rule.least > rule.most || rule.fallback < rule.least || rule.fallback > rule.most) {
            return false;  // the default must itself be an accepted value
        }
        if (rule.type == Type::boolean && rule.fallback != 0 && rule.fallback != 1) {
            return false;
        }
        const bool limited = rule.least != kNoLowerLimit || rule.most != kNoUpperLimit;
        if (rule.type != Type::integer && limited) {
            return false;  // only integers have a range
        }
        const bool readAsAbsent = rule.type != Type::integer && rule.type != Type::boolean;
        if (readAsAbsent && rule.fallback != 0) {
            return false;  // a default here would never be used
        }
    }
    return true;
}

}  // namespace detail

static_assert(detail::everyRuleIsConsistent(),
              "each key has one row, and its default is one of its accepted values");

}  // namespace Settings
