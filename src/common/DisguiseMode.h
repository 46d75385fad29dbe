// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// How a cover disguises a chat: a notepad page, or the desktop picture beneath it.
enum class DisguiseMode : std::int64_t { memo = 0, wallpaper = 1 };

// Only the two raw values name a mode.
inline std::optional<DisguiseMode> disguiseModeFromRaw(std::int64_t raw) {
    if (raw == 0 || raw == 1) {
        return static_cast<DisguiseMode>(raw);
    }
    return std::nullopt;
}

// A stored value always gives a mode: 1 is wallpaper, anything else (absent reads 0) is memo.
inline DisguiseMode disguiseModeFromStored(std::int64_t stored) {
    return stored == 1 ? DisguiseMode::wallpaper : DisguiseMode::memo;
}
