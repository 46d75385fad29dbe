// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
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

// The hot keys on a real X server (tests/e2e/x11-hotkeys.sh starts one); elsewhere they skip.

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

}  // namespace

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
