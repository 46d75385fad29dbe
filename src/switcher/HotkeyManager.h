#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Global hot keys: registers its characters with the modifier mask and reports presses as
// characters. For now it keeps the characters and the mask; registering them with the desktop
// comes with the chat switcher.
class HotkeyManager {
  public:
    explicit HotkeyManager(std::function<void(char32_t)> onPress);

    void reRegister() {}

    std::function<void(char32_t)> onPress;
    std::uint32_t modifiers;
    std::string keys = "K";
};
