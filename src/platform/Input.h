// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/Geometry.h"

namespace platform {

namespace mouse {
// Bits of pressedMouseButtons().
inline constexpr std::uint32_t kLeftButton = 1u << 0;
inline constexpr std::uint32_t kRightButton = 1u << 1;
inline constexpr std::uint32_t kOtherButton = 1u << 2;
// Event-mask bits of mouse-down monitors.
inline constexpr std::uint64_t kLeftMouseDownMask = 1u << 1;
inline constexpr std::uint64_t kRightMouseDownMask = 1u << 3;
inline constexpr std::uint64_t kOtherMouseDownMask = 1u << 25;
}  // namespace mouse

// Carbon modifier bits used for hot-key masks.
namespace modifier {
inline constexpr std::uint32_t kCommand = 256;
inline constexpr std::uint32_t kShift = 512;
inline constexpr std::uint32_t kOption = 2048;
inline constexpr std::uint32_t kControl = 4096;
}  // namespace modifier

// A registered hot key's identity: a four-character signature and an id.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    friend bool operator==(const HotKeyID&, const HotKeyID&) = default;
};

enum class MouseButton : std::uint8_t { Left, Right, Other };

// The user's mouse and global keyboard shortcuts.
class Input {
  public:
    using Handle = std::uint64_t;

    virtual ~Input() = default;

    // Mouse position in desktop coordinates.
    virtual Point mouseLocation() = 0;
    // Buttons held now (mouse::k*Button bits).
    virtual std::uint32_t pressedMouseButtons() = 0;

    // Watch mouse-down events delivered to other applications; `eventMask` holds
    // mouse::k*MouseDownMask bits. Absent when the platform refuses.
    virtual std::optional<Handle> addGlobalMouseDownMonitor(
        std::uint64_t eventMask, std::function<void(MouseButton)> handler) = 0;
    virtual void removeMonitor(Handle monitor) = 0;

    // Global hot keys. One handler receives every press of every registered key, on the main
    // thread. A registration fails when the key code is unknown or another program holds the
    // combination.
    virtual std::optional<Handle> installHotKeyHandler(std::function<void(HotKeyID)> handler) = 0;
    virtual void removeHotKeyHandler(Handle handler) = 0;
    virtual std::optional<Handle> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                 HotKeyID id) = 0;
    virtual void unregisterHotKey(Handle hotKey) = 0;
};

}  // namespace platform
