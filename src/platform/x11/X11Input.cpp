// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Input.h"

#include <xcb/xinput.h>

#include <algorithm>
#include <array>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include "platform/KeyCodes.h"
#include "platform/QtCoords.h"
#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

constexpr std::uint16_t kLockMask = XCB_MOD_MASK_LOCK;
constexpr xcb_keysym_t kNumLockSym = 0xff7f;
constexpr std::uint8_t kBadAccess = 10;

// The program's modifier bits (control, option, command, shift) in X terms.
std::uint16_t toXModifiers(std::uint32_t m) {
    std::uint16_t x = 0;
    if (m & modifier::kControl)
        x |= XCB_MOD_MASK_CONTROL;
    if (m & modifier::kOption)
        x |= XCB_MOD_MASK_1;
    if (m & modifier::kCommand)
        x |= XCB_MOD_MASK_4;
    if (m & modifier::kShift)
        x |= XCB_MOD_MASK_SHIFT;
    return x;
}

std::array<std::uint16_t, 4> lockVariants(std::uint16_t modifiers, std::uint16_t numLock) {
    return {modifiers, static_cast<std::uint16_t>(modifiers | kLockMask),
            static_cast<std::uint16_t>(modifiers | numLock),
            static_cast<std::uint16_t>(modifiers | numLock | kLockMask)};
}

std::optional<xcb_keysym_t> keysymOf(std::uint32_t keyCode) {
    const auto ch = KeyCodes::toCharacter(keyCode);
    if (!ch) {
        return std::nullopt;
    }
    if (*ch >= U'A' && *ch <= U'Z') {
        return static_cast<xcb_keysym_t>(*ch - U'A' + 'a');
    }
    return static_cast<xcb_keysym_t>(*ch);
}

}  // namespace

X11Input::X11Input(Session& session) : s_(session) {}

X11Input::~X11Input() = default;

bool X11Input::open() {
    if (c_) {
        return !xcb_connection_has_error(c_.get());
    }
    c_.reset(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = c_.get();
    if (xcb_connection_has_error(c)) {
        return false;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    symbols_.reset(xcb_key_symbols_alloc(c));
    const auto* ext = xcb_get_extension_data(c, &xcb_input_id);
    if (ext && ext->present) {
        auto version = collect<xcb_input_xi_query_version_reply_t>(
            c, xcb_input_xi_query_version(c, 2, 2), xcb_input_xi_query_version_reply);
        if (version && (version->major_version > 2 ||
                        (version->major_version == 2 && version->minor_version >= 1))) {
            xinputOpcode_ = ext->major_opcode;
        }
    }
    numLock_ = lockMasks();
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
    if (auto* loop = QAbstractEventDispatcher::instance()) {
        QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, notifier_.get(),
                         [this] { takeQueued(); });
    }
    return true;
}

// The modifier bit NumLock happens to sit on, looked up rather than assumed.
std::uint16_t X11Input::lockMasks() const {
    xcb_connection_t* c = c_.get();
    auto mapping = collect<xcb_get_modifier_mapping_reply_t>(c, xcb_get_modifier_mapping(c),
                                                             xcb_get_modifier_mapping_reply);
    const Reply<xcb_keycode_t> numLock(xcb_key_symbols_get_keycode(symbols_.get(), kNumLockSym));
    std::uint16_t mask = 0;
    if (mapping && numLock) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
        const int perModifier = mapping->keycodes_per_modifier;
        for (int mod = 0; mod < 8; ++mod) {
            for (int i = 0; i < perModifier; ++i) {
                for (const xcb_keycode_t* k = numLock.get(); *k != XCB_NO_SYMBOL; ++k) {
                    if (codes[mod * perModifier + i] == *k) {
                        mask = static_cast<std::uint16_t>(1u << mod);
                    }
                }
            }
        }
    }
    return mask;
}

Point X11Input::mouseLocation() {
    xcb_connection_t* c = s_.connection();
    if (!c) {
        return {};
    }
    auto p = collect<xcb_query_pointer_reply_t>(c, xcb_query_pointer(c, s_.root()),
                                                xcb_query_pointer_reply);
    if (!p) {
        return {};
    }
    const Point global =
        s_.toQtGlobal({static_cast<double>(p->root_x), static_cast<double>(p->root_y)});
    return QtCoords::fromQt(QPointF(global.x, global.y));
}

std::uint32_t X11Input::pressedMouseButtons() {
    xcb_connection_t* c = s_.connection();
    if (!c) {
        return 0;
    }
    auto p = collect<xcb_query_pointer_reply_t>(c, xcb_query_pointer(c, s_.root()),
                                                xcb_query_pointer_reply);
    if (!p) {
        return 0;
    }
    std::uint32_t buttons = 0;
    if (p->mask & XCB_BUTTON_MASK_1)
        buttons |= mouse::kLeftButton;
    if (p->mask & XCB_BUTTON_MASK_3)
        buttons |= mouse::kRightButton;
    if (p->mask & XCB_BUTTON_MASK_2)
        buttons |= mouse::kOtherButton;
    return buttons;
}

void X11Input::selectRawButtons(bool on) {
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } m{};
    m.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    m.head.mask_len = 1;
    m.mask = on ? XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS : 0;
    xcb_input_xi_select_events(c_.get(), root_, 1, &m.head);
    xcb_flush(c_.get());
}

std::optional<Input::Handle> X11Input::addGlobalMouseDownMonitor(
    std::uint64_t eventMask, std::function<void(MouseButton)> handler) {
    if (!open() || xinputOpcode_ == 0) {
        return std::nullopt;
    }
    if (monitors_.empty()) {
        selectRawButtons(true);
    }
    const Handle h = next_++;
    monitors_[h] = {eventMask, std::move(handler)};
    return h;
}

void X11Input::removeMonitor(Handle monitor) {
    if (monitors_.erase(monitor) && monitors_.empty() && c_) {
        selectRawButtons(false);
    }
}

std::optional<Input::Handle> X11Input::installHotKeyHandler(std::function<void(HotKeyID)> handler) {
    if (!open()) {
        return std::nullopt;
    }
    const Handle h = next_++;
    hotKeyHandlers_[h] = std::move(handler);
    return h;
}

void X11Input::removeHotKeyHandler(Handle handler) {
    hotKeyHandlers_.erase(handler);
}

// The key's X key code and modifiers under the keyboard's present mapping.
bool X11Input::resolve(HotKey& key) const {
    const auto sym = keysymOf(key.keyCode);
    const Reply<xcb_keycode_t> codes(sym ? xcb_key_symbols_get_keycode(symbols_.get(), *sym)
                                         : nullptr);
    key.xKey = codes ? codes.get()[0] : 0;
    key.xModifiers = toXModifiers(key.modifiers);
    key.xNumLock = numLock_;
    return key.xKey != 0 && key.xKey != XCB_NO_SYMBOL;
}

// Grabs the key in the four lock variants, so NumLock or CapsLock do not disable it. Another
// program holding any variant makes the whole registration fail.
bool X11Input::grab(HotKey& key) {
    if (!resolve(key)) {
        return false;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t m : lockVariants(key.xModifiers, key.xNumLock)) {
        cookies.push_back(xcb_grab_key_checked(c_.get(), 1, root_, m, key.xKey, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    }
    bool ok = true;
    for (auto cookie : cookies) {
        if (const Error e{xcb_request_check(c_.get(), cookie)}) {
            ok = ok && e->error_code != kBadAccess;
        }
    }
    if (!ok) {
        ungrab(key);
        key.xKey = 0;
    }
    return ok;
}

// Lets go of the key's variants, except those keep (its grab under a new mapping) holds too.
void X11Input::ungrab(const HotKey& key, const HotKey* keep) {
    if (key.xKey == 0 || key.xKey == XCB_NO_SYMBOL) {
        return;  // never held; key code 0 would let go of every key
    }
    const auto kept =
        keep ? lockVariants(keep->xModifiers, keep->xNumLock) : std::array<std::uint16_t, 4>{};
    for (std::uint16_t m : lockVariants(key.xModifiers, key.xNumLock)) {
        if (keep && keep->xKey == key.xKey && std::ranges::find(kept, m) != kept.end()) {
            continue;
        }
        xcb_ungrab_key(c_.get(), key.xKey, root_, m);
    }
    xcb_flush(c_.get());
}

std::optional<Input::Handle> X11Input::registerHotKey(std::uint32_t keyCode,
                                                      std::uint32_t modifiers, HotKeyID id) {
    if (!open()) {
        return std::nullopt;
    }
    HotKey key{keyCode, modifiers, id};
    if (!grab(key)) {
        return std::nullopt;
    }
    const Handle h = next_++;
    hotKeys_[h] = key;
    return h;
}

void X11Input::unregisterHotKey(Handle hotKey) {
    auto it = hotKeys_.find(hotKey);
    if (it == hotKeys_.end()) {
        return;
    }
    ungrab(it->second);
    hotKeys_.erase(it);
}

void X11Input::readEvents() {
    std::vector<Event> queued = std::move(queued_);
    queued_.clear();
    for (const Event& ev : queued) {
        handle(*ev);
    }
    while (const Event ev{xcb_poll_for_event(c_.get())}) {
        handle(*ev);
    }
    if (xcb_connection_has_error(c_.get())) {
        notifier_->setEnabled(false);
    }
}

// A reply waited for on this connection (a grab's check, say) reads whatever came meanwhile off
// the socket, whose watcher then never hears of it: a hot key pressed just then would wait for
// the next event. Taken before the event loop sleeps and handled in its next turn.
void X11Input::takeQueued() {
    const bool idle = queued_.empty();
    while (Event ev{xcb_poll_for_queued_event(c_.get())}) {
        queued_.push_back(std::move(ev));
    }
    if (idle && !queued_.empty()) {
        QMetaObject::invokeMethod(
            notifier_.get(), [this] { readEvents(); }, Qt::QueuedConnection);
    }
}

void X11Input::handle(const xcb_generic_event_t& ev) {
    const std::uint8_t type = ev.response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto& k = reinterpret_cast<const xcb_key_press_event_t&>(ev);
        onKeyPress(k.detail, k.state);
    } else if (type == XCB_GE_GENERIC) {
        const auto& g = reinterpret_cast<const xcb_ge_generic_event_t&>(ev);
        if (g.extension == xinputOpcode_ && g.event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
            onRawButton(reinterpret_cast<const xcb_input_raw_button_press_event_t&>(ev).detail);
        }
    } else if (type == XCB_MAPPING_NOTIFY) {
        remapKeys(reinterpret_cast<const xcb_mapping_notify_event_t&>(ev));
    }
}

// The keyboard changed: key codes and the NumLock bit may have moved. Switching between two
// keyboards says so too, at the very press of a key and usually with nothing moved; letting the
// grabs go then would send that press to the window in front. So a key is grabbed anew only where
// it moved, and its new grab is in place before the old one goes.
void X11Input::remapKeys(xcb_mapping_notify_event_t mapping) {
    if (mapping.request == XCB_MAPPING_POINTER) {
        return;
    }
    xcb_refresh_keyboard_mapping(symbols_.get(), &mapping);
    numLock_ = lockMasks();
    for (auto& [h, key] : hotKeys_) {
        HotKey moved = key;
        if (resolve(moved) && moved.xKey == key.xKey && moved.xNumLock == key.xNumLock) {
            continue;
        }
        const bool held = grab(moved);
        ungrab(key, held ? &moved : nullptr);
        key = held ? moved : HotKey{key.keyCode, key.modifiers, key.id};
    }
}

void X11Input::onKeyPress(xcb_keycode_t key, std::uint16_t state) {
    const std::uint16_t relevant = state & ~(numLock_ | kLockMask) & 0xff;
    for (const auto& [h, k] : hotKeys_) {
        if (k.xKey == key && k.xModifiers == relevant) {
            auto handlers = hotKeyHandlers_;  // a handler may unregister keys
            for (auto& [hh, handler] : handlers) {
                handler(k.id);
            }
            return;
        }
    }
}

void X11Input::onRawButton(std::uint32_t button) {
    const MouseButton b = button == 1   ? MouseButton::Left
                          : button == 3 ? MouseButton::Right
                                        : MouseButton::Other;
    const std::uint64_t bit = b == MouseButton::Left    ? mouse::kLeftMouseDownMask
                              : b == MouseButton::Right ? mouse::kRightMouseDownMask
                                                        : mouse::kOtherMouseDownMask;
    auto monitors = monitors_;
    for (auto& [h, m] : monitors) {
        if (m.mask & bit) {
            m.handler(b);
        }
    }
}

}  // namespace platform::x11
