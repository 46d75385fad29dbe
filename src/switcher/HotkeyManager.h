// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Input.h"

// System-wide hot keys: one modifier combination plus each character of `keys`. A press is
// reported as its character. Characters without a key, repeats and combinations another program
// holds are left out; the others still work.
class HotkeyManager {
  public:
    // Every registration carries this signature ("TESS").
    static constexpr std::uint32_t kSignature = 0x54455353;

    explicit HotkeyManager(std::function<void(char32_t)> onPress);
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // Registers `keys` with `modifiers` anew; the owner calls it after changing either.
    void reRegister();
    // The key of an upper-case letter or digit; absent for anything else.
    static std::optional<std::uint32_t> keyCode(char32_t c);

    const std::function<void(char32_t)> onPress;
    std::uint32_t modifiers = 0;  // 0 switches every hot key off
    std::u32string keys = U"K";
    std::vector<platform::Input::Handle> refs;
    std::map<std::uint32_t, char32_t> idToChar;
    std::optional<platform::Input::Handle> handler;

  private:
    void unregisterAll();
    void pressed(platform::HotKeyID id) const;
};
