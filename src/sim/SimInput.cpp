// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimInput.h"

namespace platform::sim {

std::optional<Input::Handle> SimInput::addGlobalMouseDownMonitor(
    std::uint64_t eventMask, std::function<void(MouseButton)> handler) {
    if (m_.refuseMonitors) {
        return std::nullopt;
    }
    const Handle h = m_.nextHandle++;
    m_.monitors[h] = {eventMask, std::move(handler)};
    m_.note("add mouse monitor " + std::to_string(eventMask));
    return h;
}

void SimInput::removeMonitor(Handle monitor) {
    m_.note("remove mouse monitor");
    m_.monitors.erase(monitor);
}

std::optional<Input::Handle> SimInput::installHotKeyHandler(std::function<void(HotKeyID)> handler) {
    const Handle h = m_.nextHandle++;
    m_.hotKeyHandlers[h] = std::move(handler);
    m_.note("install hotkey handler");
    return h;
}

void SimInput::removeHotKeyHandler(Handle handler) {
    m_.note("remove hotkey handler");
    m_.hotKeyHandlers.erase(handler);
}

std::optional<Input::Handle> SimInput::registerHotKey(std::uint32_t keyCode,
                                                      std::uint32_t modifiers, HotKeyID id) {
    m_.note("register hotkey " + std::to_string(keyCode) + " mod " + std::to_string(modifiers) +
            " id " + std::to_string(id.id));
    if (m_.hotKeysHeldElsewhere.contains({keyCode, modifiers})) {
        return std::nullopt;
    }
    const Handle h = m_.nextHandle++;
    m_.hotKeys[h] = {keyCode, modifiers, id};
    return h;
}

void SimInput::unregisterHotKey(Handle hotKey) {
    auto it = m_.hotKeys.find(hotKey);
    if (it != m_.hotKeys.end()) {
        m_.note("unregister hotkey " + std::to_string(it->second.keyCode));
        m_.hotKeys.erase(it);
    }
}

}  // namespace platform::sim
