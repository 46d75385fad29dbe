// SPDX-License-Identifier: GPL-3.0-or-later
#include "switcher/HotkeyManager.h"

#include <set>

#include <QString>

#include "common/Log.h"
#include "common/Settings.h"
#include "platform/KeyCodes.h"
#include "platform/Platform.h"

HotkeyManager::HotkeyManager(std::function<void(char32_t)> onPress)
    : onPress(std::move(onPress)), modifiers(Settings::hotkeyMod()) {
    handler = platform::current().input().installHotKeyHandler(
        [this](platform::HotKeyID id) { pressed(id); });
    reRegister();
}

HotkeyManager::~HotkeyManager() {
    unregisterAll();
    if (handler) {
        platform::current().input().removeHotKeyHandler(*handler);
    }
}

std::optional<std::uint32_t> HotkeyManager::keyCode(char32_t c) {
    return KeyCodes::fromCharacter(c);
}

void HotkeyManager::unregisterAll() {
    platform::Input& input = platform::current().input();
    for (const auto ref : refs) {
        input.unregisterHotKey(ref);
    }
    refs.clear();
    idToChar.clear();
}

void HotkeyManager::reRegister() {
    unregisterAll();
    if (modifiers == 0) {
        return;
    }
    platform::Input& input = platform::current().input();
    const std::u32string upper = QString::fromStdU32String(keys).toUpper().toStdU32String();
    std::set<char32_t> seen;
    std::u32string held;
    std::uint32_t id = 0;
    for (const char32_t c : upper) {
        if (!seen.insert(c).second) {
            continue;
        }
        const auto code = keyCode(c);
        if (!code) {
            continue;
        }
        if (const auto ref = input.registerHotKey(*code, modifiers, {kSignature, id})) {
            refs.push_back(*ref);
            idToChar[id] = c;
            held += c;
        } else {
            // Usually another program holds the combination; the other keys still work.
            Log::line("HOTKEY unavailable '" +
                      QString::fromStdU32String(std::u32string(1, c)).toStdString() +
                      "' mod=" + std::to_string(modifiers));
        }
        ++id;
    }
    // From here on a press of these keys reaches the program.
    Log::line("HOTKEY keys '" + QString::fromStdU32String(held).toStdString() +
              "' mod=" + std::to_string(modifiers));
}

void HotkeyManager::pressed(platform::HotKeyID id) const {
    if (auto it = idToChar.find(id.id); it != idToChar.end() && onPress) {
        onPress(it->second);
    }
}
