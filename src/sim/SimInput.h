// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Input.h"
#include "sim/SimModel.h"

namespace platform::sim {

class SimInput final : public Input {
  public:
    explicit SimInput(SimModel& model) : m_(model) {}

    Point mouseLocation() override { return m_.mouse; }
    std::uint32_t pressedMouseButtons() override { return m_.pressedButtons; }
    std::optional<Handle> addGlobalMouseDownMonitor(
        std::uint64_t eventMask, std::function<void(MouseButton)> handler) override;
    void removeMonitor(Handle monitor) override;
    std::optional<Handle> installHotKeyHandler(std::function<void(HotKeyID)> handler) override;
    void removeHotKeyHandler(Handle handler) override;
    std::optional<Handle> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                         HotKeyID id) override;
    void unregisterHotKey(Handle hotKey) override;

  private:
    SimModel& m_;
};

}  // namespace platform::sim
