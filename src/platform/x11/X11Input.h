// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include "platform/Input.h"
#include "platform/x11/Session.h"
#include "platform/x11/Xcb.h"

class QSocketNotifier;

namespace platform::x11 {

// Mouse state, a global mouse-down monitor (XInput 2 raw events, which grab nothing) and
// global hot keys (key grabs on the root). Monitors and grabs use a connection of their own, so
// their events never mix with the toolkit's.
class X11Input final : public Input {
  public:
    explicit X11Input(Session& session);
    ~X11Input() override;

    Point mouseLocation() override;
    std::uint32_t pressedMouseButtons() override;
    std::optional<Handle> addGlobalMouseDownMonitor(
        std::uint64_t eventMask, std::function<void(MouseButton)> handler) override;
    void removeMonitor(Handle monitor) override;
    std::optional<Handle> installHotKeyHandler(std::function<void(HotKeyID)> handler) override;
    void removeHotKeyHandler(Handle handler) override;
    std::optional<Handle> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                         HotKeyID id) override;
    void unregisterHotKey(Handle hotKey) override;

  private:
    struct Monitor {
        std::uint64_t mask;
        std::function<void(MouseButton)> handler;
    };
    struct HotKey {
        std::uint32_t keyCode;    // the program's key code
        std::uint32_t modifiers;  // the program's modifier mask
        HotKeyID id;
        xcb_keycode_t xKey = 0;
        std::uint16_t xModifiers = 0;
        std::uint16_t xNumLock = 0;  // the NumLock bit when it was grabbed
    };

    bool open();
    void readEvents();
    void takeQueued();
    void handle(const xcb_generic_event_t& ev);
    void selectRawButtons(bool on);
    bool resolve(HotKey& key) const;
    bool grab(HotKey& key);
    void ungrab(const HotKey& key, const HotKey* keep = nullptr);
    void remapKeys(xcb_mapping_notify_event_t mapping);
    void onKeyPress(xcb_keycode_t key, std::uint16_t state);
    void onRawButton(std::uint32_t button);
    std::uint16_t lockMasks() const;

    struct FreeKeySymbols {
        void operator()(xcb_key_symbols_t* k) const { xcb_key_symbols_free(k); }
    };

    Session& s_;
    // Declared before what uses them: members are destroyed in reverse order.
    Connection c_;
    xcb_window_t root_ = 0;
    std::unique_ptr<xcb_key_symbols_t, FreeKeySymbols> symbols_;
    std::uint8_t xinputOpcode_ = 0;
    std::uint16_t numLock_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<Event> queued_;  // read off the socket by a reply, not yet handled
    std::map<Handle, Monitor> monitors_;
    std::map<Handle, std::function<void(HotKeyID)>> hotKeyHandlers_;
    std::map<Handle, HotKey> hotKeys_;
    Handle next_ = 1;
};

}  // namespace platform::x11
