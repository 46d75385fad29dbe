#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QGuiApplication>

#include <xcb/xcb.h>

#include "X11EventLoop.h"
#include "platform/x11/Session.h"
#include "platform/x11/Xcb.h"

// These run on a real X server only (tests/e2e/x11-input.sh starts one); elsewhere they skip.

using namespace platform::x11;
using X11EventLoop::settle;
using X11EventLoop::waitFor;

namespace {

xcb_window_t popup(xcb_connection_t* c, std::int16_t x, std::int16_t y) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, x, y, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &overrideRedirect);
    xcb_map_window(c, w);
    xcb_flush(c);
    return w;
}

// Whether `upper` stands above `lower` among the root's children.
bool above(xcb_connection_t* c, xcb_window_t upper, xcb_window_t lower) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto tree =
        collect<xcb_query_tree_reply_t>(c, xcb_query_tree(c, root), xcb_query_tree_reply);
    const xcb_window_t* w = xcb_query_tree_children(tree.get());
    const std::vector<xcb_window_t> order(w, w + xcb_query_tree_children_length(tree.get()));
    return std::find(order.begin(), order.end(), upper) >
           std::find(order.begin(), order.end(), lower);
}

}  // namespace

// Another program's window that comes above the floating windows is put under them as soon as
// the server tells of it, with no poll of every window first (nothing polls here at all); the
// program's own windows, a menu say, stay where they are.
TEST(X11Floating, AWindowComingAboveTheFloatingOnesGoesUnderThemAtOnce) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs an X display";
    }
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
    // Off screen and a pixel small, as window managers keep their own check windows.
    const xcb_window_t check = xcb_generate_id(other.get());
    const std::uint32_t yes = 1;
    xcb_create_window(other.get(), XCB_COPY_FROM_PARENT, check,
                      xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root, -100, -100,
                      1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT, &yes);
    xcb_map_window(other.get(), check);
    xcb_flush(other.get());
    settle();
    EXPECT_TRUE(above(other.get(), check, cover));
}
