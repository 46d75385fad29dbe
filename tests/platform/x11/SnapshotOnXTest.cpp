// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <xcb/xcb.h>

#include "platform/x11/Atoms.h"
#include "platform/x11/Snapshot.h"
#include "platform/x11/X11WindowServer.h"
#include "platform/x11/Xcb.h"

// These run on a real X server without a window manager (tests/e2e/x11-snapshot.sh starts one);
// elsewhere they skip. The tests play the window manager themselves: they name a check window
// and list the clients, so that what stands on the root can be set exactly.

using namespace platform::x11;

namespace {

class X11Snapshot : public ::testing::Test {
  protected:
    void SetUp() override {
        // Never on a desktop in use: the tests set the root's own properties.
        if (!std::getenv("TESSAVO_X11_SNAPSHOT")) {
            GTEST_SKIP() << "needs the X server of tests/e2e/x11-snapshot.sh";
        }
        // Its windows and the root's properties naming them go with it.
        connection_.reset(xcb_connect(nullptr, nullptr));
        c_ = connection_.get();
        ASSERT_FALSE(xcb_connection_has_error(c_));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        atoms_ = Atoms::intern(c_);
        // As the program does: the root's children and properties report their changes.
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &FactCache::kRootEvents);
        cache_.atoms = &atoms_;
        // A manager that names itself back, as a running one does.
        const xcb_window_t check = window(-50, -50);
        set(check, atoms_.netSupportingWmCheck, XCB_ATOM_WINDOW, {check});
        set(root_, atoms_.netSupportingWmCheck, XCB_ATOM_WINDOW, {check});
    }
    xcb_window_t window(std::int16_t x, std::int16_t y, bool overrideRedirect = false) {
        const xcb_window_t w = xcb_generate_id(c_);
        const std::uint32_t values[] = {overrideRedirect ? 1U : 0U};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, x, y, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, values);
        return w;
    }
    void map(std::initializer_list<xcb_window_t> ws) {
        for (const xcb_window_t w : ws) {
            xcb_map_window(c_, w);
        }
    }
    // A property of 32-bit values, or of text.
    template <class V = std::vector<std::uint32_t>>
    void set(xcb_window_t on, xcb_atom_t property, xcb_atom_t type, const V& v) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, on, property, type, sizeof(v[0]) * 8,
                            static_cast<std::uint32_t>(v.size()), v.data());
    }
    Snapshot take() {
        roundTrip();  // everything sent has been done
        return Snapshot::take(c_, root_, atoms_, cache_);
    }
    void roundTrip() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    Connection connection_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    Atoms atoms_;
    FactCache cache_;
};

}  // namespace

// While one manager hands over to the next, a mapped window stands on the root that no list
// names yet: a chat in that state is still a client, in the root's stacking order, with what it
// says of itself, so its cover never lapses.
TEST_F(X11Snapshot, AMappedWindowNoListNamesYetIsStillAClient) {
    const xcb_window_t listed = window(10, 10);
    const xcb_window_t unlisted = window(300, 40);
    const xcb_window_t popup = window(600, 40, true);
    set(unlisted, atoms_.netWmName, atoms_.utf8String, std::string("김민지"));
    set(unlisted, atoms_.wmClass, XCB_ATOM_STRING, std::string("kakaotalk\0KakaoTalk\0", 20));
    set(root_, atoms_.netClientListStacking, XCB_ATOM_WINDOW, {listed});
    map({listed, unlisted, popup});

    Snapshot s = take();
    ASSERT_TRUE(s.wmPresent);
    ASSERT_EQ(s.clients.size(), 2U);
    EXPECT_EQ(s.clients[0].id, listed);
    EXPECT_EQ(s.clients[1].id, unlisted);
    EXPECT_EQ(s.clients[1].title, "김민지");
    EXPECT_EQ(s.clients[1].windowClass, "KakaoTalk");
    EXPECT_EQ(s.client(popup), nullptr);  // menus and pop-ups bypass any manager

    // It tells of a new title as a listed client does, so the next poll comes at once.
    cache_.changed = false;
    set(unlisted, atoms_.netWmName, atoms_.utf8String, std::string("김민지"));
    roundTrip();
    cache_.absorbPending(c_);
    EXPECT_TRUE(cache_.changed);

    // Raised above the listed one, it comes after it; every top-level still finds its client.
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c_, listed, XCB_CONFIG_WINDOW_STACK_MODE, above);
    s = take();
    ASSERT_EQ(s.clients.size(), 2U);
    EXPECT_EQ(s.clients[0].id, unlisted);
    for (const TopLevel& t : s.topLevels) {
        EXPECT_TRUE(!t.client || s.clients[*t.client].topLevel == t.id) << t.id;
    }

    // Once the manager lists it, it is one client, not two.
    set(root_, atoms_.netClientListStacking, XCB_ATOM_WINDOW, {unlisted, listed});
    EXPECT_EQ(take().clients.size(), 2U);
}

// Managers without a stacking list (wlroots' XWayland one, weston's) list their clients in the
// order they were mapped: the clients still come out bottom to top as the root stacks them.
TEST_F(X11Snapshot, ClientsListedInMappingOrderComeOutInStackingOrder) {
    const xcb_window_t first = window(10, 10);
    const xcb_window_t second = window(300, 40);
    map({first, second});
    xcb_delete_property(c_, root_, atoms_.netClientListStacking);  // an earlier test's
    set(root_, atoms_.netClientList, XCB_ATOM_WINDOW, {second, first});
    const auto order = [this] {
        std::vector<xcb_window_t> ids;
        for (const Client& c : take().clients) {
            ids.push_back(c.id);
        }
        return ids;
    };
    EXPECT_EQ(order(), (std::vector<xcb_window_t>{first, second}));
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c_, first, XCB_CONFIG_WINDOW_STACK_MODE, above);
    EXPECT_EQ(order(), (std::vector<xcb_window_t>{second, first}));
}

// A window may say what it is only after it is mapped: one that takes the messenger's class, or
// becomes another's dialog, is seen so by the next poll, which asks only for what changed.
TEST_F(X11Snapshot, AClientThatChangesWhatItIsIsSeenAnew) {
    const xcb_window_t owner = window(10, 10);
    const xcb_window_t w = window(300, 40);
    set(w, atoms_.wmClass, XCB_ATOM_STRING, std::string("splash\0Launcher\0", 16));
    set(root_, atoms_.netClientListStacking, XCB_ATOM_WINDOW, {owner, w});
    map({owner, w});
    EXPECT_EQ(take().client(w)->windowClass, "Launcher");

    set(w, atoms_.wmClass, XCB_ATOM_STRING, std::string("kakaotalk.exe\0KakaoTalk\0", 24));
    set(w, atoms_.wmTransientFor, XCB_ATOM_WINDOW, {owner});
    const Snapshot s = take();
    EXPECT_EQ(s.roundTrips, 2);  // the root's, then the changed properties'
    ASSERT_NE(s.client(w), nullptr);
    EXPECT_EQ(s.client(w)->windowClass, "KakaoTalk");
    EXPECT_TRUE(s.client(w)->transient);
}

// Fluxbox, IceWM and i3 make their frames override-redirect. Such a frame stands at its client's
// level, so a messenger's dialog in it counts as an ordinary window; a window no manager took on
// stays a pop-up.
TEST_F(X11Snapshot, AnOverrideRedirectFrameStandsAtItsClientsLevel) {
    const xcb_window_t frame = window(300, 40, true);
    const xcb_window_t dialog = window(0, 0);
    const xcb_window_t popup = window(600, 40, true);
    set(dialog, atoms_.netWmWindowType, XCB_ATOM_ATOM, {atoms_.typeDialog});
    xcb_reparent_window(c_, dialog, frame, 0, 20);
    set(root_, atoms_.netClientListStacking, XCB_ATOM_WINDOW, {dialog});
    map({dialog, frame, popup});

    const Snapshot s = take();
    std::map<xcb_window_t, std::int64_t> layers;
    for (const TopLevel& t : s.topLevels) {
        const Client* c = t.client ? &s.clients[*t.client] : nullptr;
        layers[t.id] = X11WindowServer::layerOf(t, c, atoms_, {});
    }
    EXPECT_EQ(s.client(dialog)->topLevel, frame);
    EXPECT_EQ(layers.at(frame), 0);
    EXPECT_EQ(layers.at(popup), platform::level::kPopup);
}
