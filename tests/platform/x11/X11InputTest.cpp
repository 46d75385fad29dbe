#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include "X11EventLoop.h"
#include "platform/KeyCodes.h"
#include "platform/x11/Session.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/Xcb.h"

// These run on a real X server only (tests/e2e/x11-input.sh starts one); elsewhere they skip.

using namespace platform;
using namespace platform::x11;

using X11EventLoop::settle;
using X11EventLoop::waitFor;

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

int run(const std::string& command) {
    return std::system(command.c_str());
}

}  // namespace

TEST(X11Input, AGlobalHotKeyFiresUntilItIsUnregistered) {
    if (!onX11()) {
        GTEST_SKIP() << "needs an X display";
    }
    Session session;
    X11Input input(session);
    std::vector<std::uint32_t> pressed;
    ASSERT_TRUE(input.installHotKeyHandler([&](HotKeyID id) { pressed.push_back(id.id); }));
    const auto k = input.registerHotKey(*KeyCodes::fromCharacter(U'K'),
                                        modifier::kControl | modifier::kOption, {0x54455353, 7});
    ASSERT_TRUE(k);
    ASSERT_EQ(run("xdotool key ctrl+alt+k"), 0);
    EXPECT_TRUE(waitFor([&] { return !pressed.empty(); }));
    EXPECT_EQ(pressed, std::vector<std::uint32_t>{7});
    // With NumLock on it still fires.
    run("xdotool key Num_Lock");
    run("xdotool key ctrl+alt+k");
    EXPECT_TRUE(waitFor([&] { return pressed.size() == 2; }));
    run("xdotool key Num_Lock");

    input.unregisterHotKey(*k);
    run("xdotool key ctrl+alt+k");
    settle();
    EXPECT_EQ(pressed.size(), 2u);
}

TEST(X11Input, AHotKeyAnotherProgramHoldsCannotBeRegistered) {
    if (!onX11()) {
        GTEST_SKIP() << "needs an X display";
    }
    // Another client grabs control+option+M first.
    const Connection connection{xcb_connect(nullptr, nullptr)};
    xcb_connection_t* other = connection.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    Session session;
    X11Input input(session);
    input.installHotKeyHandler([](HotKeyID) {});
    xcb_keycode_t m = 0;
    {
        // The key that types 'm' on this server.
        const xcb_setup_t* setup = xcb_get_setup(other);
        const auto map = collect<xcb_get_keyboard_mapping_reply_t>(
            other,
            xcb_get_keyboard_mapping(other, setup->min_keycode,
                                     setup->max_keycode - setup->min_keycode + 1),
            xcb_get_keyboard_mapping_reply);
        ASSERT_TRUE(map);
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
        for (int i = 0; i < xcb_get_keyboard_mapping_keysyms_length(map.get()); ++i) {
            if (syms[i] == 'm') {
                m = static_cast<xcb_keycode_t>(setup->min_keycode + i / map->keysyms_per_keycode);
                break;
            }
        }
    }
    ASSERT_NE(m, 0);
    xcb_grab_key(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, m, XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    // A round trip makes sure the grab is in place before we try.
    collect<xcb_get_input_focus_reply_t>(other, xcb_get_input_focus(other),
                                         xcb_get_input_focus_reply);
    EXPECT_FALSE(input.registerHotKey(*KeyCodes::fromCharacter(U'M'),
                                      modifier::kControl | modifier::kOption, {0, 1}));
}

TEST(X11Input, AClickAnywhereReachesTheGlobalMonitorWithoutBeingTaken) {
    if (!onX11()) {
        GTEST_SKIP() << "needs an X display";
    }
    Session session;
    X11Input input(session);
    std::vector<MouseButton> downs;
    const auto h =
        input.addGlobalMouseDownMonitor(mouse::kLeftMouseDownMask | mouse::kRightMouseDownMask,
                                        [&](MouseButton b) { downs.push_back(b); });
    ASSERT_TRUE(h);
    run("xdotool mousemove 700 450 click 3");
    EXPECT_TRUE(waitFor([&] { return !downs.empty(); }));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], MouseButton::Right);
    run("xdotool click 2");  // a middle click is not watched
    settle();
    EXPECT_EQ(downs.size(), 1u);
    input.removeMonitor(*h);
    run("xdotool click 1");
    settle();
    EXPECT_EQ(downs.size(), 1u);
}

// Replies waited for on a connection read the events that came meanwhile off its socket, where
// the socket's watcher never sees them: they must still be acted on, not wait for the next one.
TEST(X11Input, EventsReadWhileAReplyWasAwaitedAreNotLeftWaiting) {
    if (!onX11()) {
        GTEST_SKIP() << "needs an X display";
    }
    Session session;
    X11Input input(session);
    std::vector<std::uint32_t> pressed;
    ASSERT_TRUE(input.installHotKeyHandler([&](HotKeyID id) { pressed.push_back(id.id); }));
    ASSERT_TRUE(input.registerHotKey(*KeyCodes::fromCharacter(U'J'),
                                     modifier::kControl | modifier::kOption, {0, 1}));
    // Pressed while the program is busy: registering another key reads the press off the socket.
    ASSERT_EQ(run("xdotool key ctrl+alt+j"), 0);
    ASSERT_TRUE(input.registerHotKey(*KeyCodes::fromCharacter(U'L'),
                                     modifier::kControl | modifier::kOption, {0, 2}));
    EXPECT_TRUE(waitFor([&] { return !pressed.empty(); })) << "the hot key was swallowed";

    // The same on the connection that watches the windows: a window mapped while the program
    // asks about the mouse.
    int changes = 0;
    session.onChange = [&] { ++changes; };
    ASSERT_NE(session.connection(), nullptr);  // watching the windows from here on
    settle();
    changes = 0;
    const Connection other{xcb_connect(nullptr, nullptr)};
    xcb_connection_t* o = other.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(o)).data->root;
    const xcb_window_t w = xcb_generate_id(o);
    // Override-redirect: the window manager leaves it alone, so nothing else comes after.
    const std::uint32_t unmanaged = 1;
    xcb_create_window(o, XCB_COPY_FROM_PARENT, w, root, 10, 10, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &unmanaged);
    xcb_map_window(o, w);
    collect<xcb_get_input_focus_reply_t>(o, xcb_get_input_focus(o), xcb_get_input_focus_reply);
    input.pressedMouseButtons();  // a round trip on the watching connection
    EXPECT_TRUE(waitFor([&] { return changes > 0; })) << "the new window went unannounced";
}
