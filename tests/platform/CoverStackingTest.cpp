// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/CoverStacking.h"

using platform::CoverStacking;

// The user's choice wins, then the session type the login announced; a Wayland display alone
// counts only when no session type says otherwise (a nested compositor in an X11 session).
TEST(CoverStacking, ChosenByTheUserTheSessionTypeOrAWaylandDisplayInThatOrder) {
    struct Case {
        const char *override, *type, *display;
        CoverStacking want;
        const char* reason;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, CoverStacking::floating, "no Wayland display"},
        {nullptr, "wayland", nullptr, CoverStacking::aboveChat, "XDG_SESSION_TYPE=wayland"},
        {nullptr, "x11", "wayland-0", CoverStacking::floating, "XDG_SESSION_TYPE=x11"},
        {nullptr, "tty", "wayland-1", CoverStacking::aboveChat, "WAYLAND_DISPLAY=wayland-1"},
        {nullptr, "", "", CoverStacking::floating, "no Wayland display"},
        {"floating", "wayland", "wayland-0", CoverStacking::floating, "TESSAVO_COVERS=floating"},
        {"stacked", "x11", nullptr, CoverStacking::aboveChat, "TESSAVO_COVERS=stacked"},
        {"sideways", "x11", nullptr, CoverStacking::floating, "XDG_SESSION_TYPE=x11"},
    };
    for (const Case& c : cases) {
        const auto got = platform::chooseCoverStacking(c.override, c.type, c.display);
        EXPECT_EQ(got.stacking, c.want) << c.reason;
        EXPECT_EQ(got.reason, c.reason);
    }
}
