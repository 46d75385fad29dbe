#include "switcher/HotkeyManager.h"

#include "app/Settings.h"

HotkeyManager::HotkeyManager(std::function<void(char32_t)> onPress)
    : onPress(std::move(onPress)), modifiers(Settings::hotkeyMod()) {}
