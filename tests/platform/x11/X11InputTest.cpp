// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

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

#define SKIP_WITHOUT_X11()                                         \
    if (QGuiApplication::platformName() != QLatin1String("xcb")) { \
        GTEST_SKIP() << "needs an X display";                      \
    }

xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// An override-redirect window, as menus are: the window manager leaves it alone.
xcb_window_t popup(xcb_connection_t* c, std::int16_t x, std::int16_t y, std::uint16_t size = 200) {
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, rootOf(c), x, y, size, size, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &overrideRedirect);
    xcb_map_window(c, w);
    xcb_flush(c);
    return w;
}

// Whether `upper` stands above `lower` among the root's children.
bool above(xcb_connection_t* c, xcb_window_t upper, xcb_window_t lower) {
    const auto tree =
        collect<xcb_query_tree_reply_t>(c, xcb_query_tree(c, rootOf(c)), xcb_query_tree_reply);
    const xcb_window_t* bottom = xcb_query_tree_children(tree.get());
    const xcb_window_t* end = bottom + xcb_query_tree_children_length(tree.get());
    return std::find(bottom, end, upper) > std::find(bottom, end, lower);
}

constexpr std::uint32_t kCtrlAlt = modifier::kControl | modifier::kOption;

}  // namespace

// Replies waited for on a connection read the events that came meanwhile off its socket, where
// the socket's watcher never sees them: they must still be acted on, not wait for the next one.
TEST(X11Input, EventsReadWhileAReplyWasAwaitedAreNotLeftWaiting) {
    SKIP_WITHOUT_X11();
    Session session;
    X11Input input(session);
    std::vector<std::uint32_t> pressed;
    ASSERT_TRUE(input.installHotKeyHandler([&](HotKeyID id) { pressed.push_back(id.id); }));
    ASSERT_TRUE(input.registerHotKey(*KeyCodes::fromCharacter(U'J'), kCtrlAlt, {0, 1}));
    // Pressed while the program is busy: registering another key reads the press off the socket.
    // NumLock is on meanwhile: keys are grabbed in each lock variant.
    ASSERT_EQ(std::system("xdotool key Num_Lock key ctrl+alt+j key Num_Lock"), 0);
    ASSERT_TRUE(input.registerHotKey(*KeyCodes::fromCharacter(U'L'), kCtrlAlt, {0, 2}));
    EXPECT_TRUE(waitFor([&] { return !pressed.empty(); })) << "the hot key was swallowed";

    // The same on the connection that watches the windows: a window mapped while the program
    // asks about the mouse. Unmanaged, so that nothing else comes after it.
    int changes = 0;
    session.onChange = [&] { ++changes; };
    ASSERT_NE(session.connection(), nullptr);  // watching the windows from here on
    settle();
    changes = 0;
    const Connection other{xcb_connect(nullptr, nullptr)};
    popup(other.get(), 10, 10, 50);
    // A round trip: mapped before the watching connection asks anything.
    std::free(xcb_get_input_focus_reply(other.get(), xcb_get_input_focus(other.get()), nullptr));
    input.pressedMouseButtons();  // a round trip on the watching connection
    EXPECT_TRUE(waitFor([&] { return changes > 0; })) << "the new window went unannounced";
}

// Another program's window that comes above the floating windows is put under them as soon as
// the server tells of it, with no poll of every window first (nothing polls here at all); the
// program's own windows, a menu say, stay where they are, and so do a window manager's tiny
// check windows off screen.
TEST(X11Floating, AWindowComingAboveTheFloatingOnesGoesUnderThemAtOnce) {
    SKIP_WITHOUT_X11();
    Session session;
    xcb_connection_t* ours = session.connection();
    ASSERT_NE(ours, nullptr);
    const xcb_window_t cover = popup(ours, 100, 100);
    session.floating.insert(cover);
    session.snapshot();  // as the program starts: one poll, then only the server's notices
    const Connection other{xcb_connect(nullptr, nullptr)};
    ASSERT_FALSE(xcb_connection_has_error(other.get()));

    const xcb_window_t foreign = popup(other.get(), 50, 50);
    EXPECT_TRUE(waitFor([&] { return above(other.get(), cover, foreign); }));
    const xcb_window_t menu = popup(ours, 150, 150);
    settle();
    EXPECT_TRUE(above(other.get(), menu, cover));
    const xcb_window_t check = popup(other.get(), -100, -100, 1);
    settle();
    EXPECT_TRUE(above(other.get(), check, cover));
}
