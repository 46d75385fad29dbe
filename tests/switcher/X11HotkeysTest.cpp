// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include "X11EventLoop.h"
#include "common/Settings.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/Xcb.h"
#include "switcher/HotkeyManager.h"

// The hot keys on a real X server (tests/e2e/test_x11_backend.py starts one); elsewhere they skip.

using X11EventLoop::waitFor;

namespace {

// The real X11 desktop with a settings store of its own, in place of whatever was installed.
class X11Hotkeys : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display";
        }
        oldConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        previous_ = platform::install(platform::x11::createPlatform());
    }
    void TearDown() override {
        if (!IsSkipped()) {
            platform::install(std::move(previous_));
            // Empty where it was unset: the same to readers.
            qputenv("XDG_CONFIG_HOME", oldConfig_);
        }
    }

    QTemporaryDir config_;
    QByteArray oldConfig_;
    std::unique_ptr<platform::Platform> previous_;
};

// Another client, to find out from outside which key combinations are held.
class Probe {
  public:
    Probe() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data->root;
    }
    xcb_connection_t* get() const { return c_.get(); }
    // Whether another client holds control+option on the key code: our grab fails only then.
    bool heldElsewhere(xcb_keycode_t key) const {
        constexpr std::uint16_t mods = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        const platform::x11::Error e{xcb_request_check(
            c_.get(), xcb_grab_key_checked(c_.get(), 1, root_, mods, key, XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC))};
        if (!e) {
            xcb_ungrab_key(c_.get(), key, root_, mods);
            xcb_flush(c_.get());
        }
        return static_cast<bool>(e);
    }
    // Gives the key code these symbols (none: an empty key).
    void map(xcb_keycode_t key, std::vector<xcb_keysym_t> syms, std::uint8_t perKey) const {
        syms.resize(perKey, 0);
        std::free(xcb_request_check(
            c_.get(), xcb_change_keyboard_mapping_checked(c_.get(), 1, key, perKey, syms.data())));
    }

  private:
    platform::x11::Connection c_;
    xcb_window_t root_ = 0;
};

}  // namespace

TEST_F(X11Hotkeys, AKeyThatMovesToAnotherKeyCodeIsHeldWhereItNowIs) {
    const Probe probe;
    xcb_connection_t* c = probe.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto first = setup->min_keycode;
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - first + 1);
    const platform::x11::Reply<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr));
    ASSERT_TRUE(mapping);
    const std::uint8_t perKey = mapping->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    std::optional<xcb_keycode_t> home, empty;
    for (int i = 0; i < count; ++i) {
        const xcb_keysym_t* s = syms + static_cast<std::ptrdiff_t>(i) * perKey;
        const auto code = static_cast<xcb_keycode_t>(first + i);
        if (!home && s[0] == 'j') {
            home = code;
        }
        if (!empty && std::all_of(s, s + perKey, [](xcb_keysym_t k) { return k == 0; })) {
            empty = code;
        }
    }
    ASSERT_TRUE(home && empty);

    std::u32string presses;
    HotkeyManager hotkeys([&](char32_t c) { presses.push_back(c); });
    hotkeys.keys = U"KJ";
    hotkeys.reRegister();
    ASSERT_TRUE(probe.heldElsewhere(*home));

    // J moves to a key of its own; its old key is then no one's.
    probe.map(*empty, {'j', 'J'}, perKey);
    probe.map(*home, {}, perKey);
    EXPECT_TRUE(waitFor([&] { return probe.heldElsewhere(*empty); }));
    EXPECT_TRUE(waitFor([&] { return !probe.heldElsewhere(*home); }));
    ASSERT_EQ(std::system("xdotool key ctrl+alt+j key ctrl+alt+k"), 0);
    EXPECT_TRUE(waitFor([&] { return presses == U"JK"; }));

    // And back, for the tests after this one.
    probe.map(*home, {'j', 'J'}, perKey);
    probe.map(*empty, {}, perKey);
    EXPECT_TRUE(waitFor([&] { return probe.heldElsewhere(*home); }));
}

TEST_F(X11Hotkeys, AKeyPressedAsTheKeyboardMappingChangesElsewhereStillComes) {
    // Changes to keys other than ours (as a switch between keyboards makes) must not let ours
    // go for a moment: a press in that moment would reach the window in front instead.
    const Probe probe;
    const xcb_setup_t* setup = xcb_get_setup(probe.get());
    const auto spare = static_cast<xcb_keycode_t>(setup->max_keycode);
    std::u32string presses;
    HotkeyManager hotkeys([&](char32_t c) { presses.push_back(c); });
    hotkeys.keys = U"K";
    hotkeys.reRegister();
    constexpr int kPresses = 80;
    std::atomic<bool> typing{true};
    std::thread mapper([&] {
        for (unsigned i = 0; typing; ++i) {
            probe.map(spare, {i % 2 ? 0xffc6u : 0xffc7u}, 2);  // F9 / F10 on a spare key
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        probe.map(spare, {}, 2);
    });
    std::thread typist([&] {
        (void)std::system("xdotool key --repeat 80 --delay 2 ctrl+alt+k");
        typing = false;
    });
    const bool all = waitFor([&] { return !typing && presses.size() == kPresses; });
    typist.join();
    mapper.join();
    EXPECT_TRUE(all) << presses.size() << " of " << kPresses << " presses came";
}

TEST_F(X11Hotkeys, AKeyAnotherClientHoldsIsLeftOutAndTheOthersStillWork) {
    // Another client holds control+option+M first.
    const platform::x11::Connection connection{xcb_connect(nullptr, nullptr)};
    xcb_connection_t* other = connection.get();
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    const platform::x11::Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, 'm'));
    xcb_key_symbols_free(symbols);
    ASSERT_TRUE(codes && codes.get()[0] != XCB_NO_SYMBOL);
    xcb_grab_key(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, codes.get()[0],
                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    // A round trip makes sure the grab is in place before ours is tried.
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));

    std::u32string presses;
    // Gone with the test's body, before the platform it ungrabs through.
    HotkeyManager hotkeys([&](char32_t c) { presses.push_back(c); });
    hotkeys.keys = U"KMA";
    hotkeys.reRegister();
    EXPECT_EQ(hotkeys.refs.size(), 2u);
    ASSERT_EQ(std::system("xdotool key ctrl+alt+a key ctrl+alt+m key ctrl+alt+k"), 0);
    EXPECT_TRUE(waitFor([&] { return presses == U"AK"; }));
}
