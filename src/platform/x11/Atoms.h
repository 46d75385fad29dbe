// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <xcb/xcb.h>

namespace platform::x11 {

// The atoms the backend uses, interned once per connection. Each member's name on the server
// is listed beside it in Atoms.cpp.
struct Atoms {
    xcb_atom_t netClientListStacking = XCB_ATOM_NONE;
    xcb_atom_t netClientList = XCB_ATOM_NONE;
    xcb_atom_t netActiveWindow = XCB_ATOM_NONE;
    xcb_atom_t netSupportingWmCheck = XCB_ATOM_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t wmClass = XCB_ATOM_NONE;
    xcb_atom_t wmName = XCB_ATOM_NONE;
    xcb_atom_t netWmWindowType = XCB_ATOM_NONE;
    xcb_atom_t wmTransientFor = XCB_ATOM_NONE;
    xcb_atom_t netWmState = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t netFrameExtents = XCB_ATOM_NONE;
    xcb_atom_t typeNormal = XCB_ATOM_NONE;
    xcb_atom_t typeDialog = XCB_ATOM_NONE;
    xcb_atom_t typeUtility = XCB_ATOM_NONE;
    xcb_atom_t typeDock = XCB_ATOM_NONE;
    xcb_atom_t typeDesktop = XCB_ATOM_NONE;
    xcb_atom_t stateHidden = XCB_ATOM_NONE;
    xcb_atom_t stateAbove = XCB_ATOM_NONE;
    xcb_atom_t stateFullscreen = XCB_ATOM_NONE;
    xcb_atom_t stateSkipTaskbar = XCB_ATOM_NONE;
    xcb_atom_t stateSkipPager = XCB_ATOM_NONE;
    xcb_atom_t stateSkipSwitcher = XCB_ATOM_NONE;
    xcb_atom_t stateDemandsAttention = XCB_ATOM_NONE;
    xcb_atom_t netMoveresizeWindow = XCB_ATOM_NONE;
    xcb_atom_t netCloseWindow = XCB_ATOM_NONE;
    xcb_atom_t wmChangeState = XCB_ATOM_NONE;
    xcb_atom_t xrootpmapId = XCB_ATOM_NONE;
    xcb_atom_t compoundText = XCB_ATOM_NONE;
    xcb_atom_t netRestackWindow = XCB_ATOM_NONE;

    // The types a text property may have: Latin-1, UTF-8, or Latin-1 with escape sequences.
    std::array<xcb_atom_t, 3> textTypes() const {
        return {XCB_ATOM_STRING, utf8String, compoundText};
    }

    // Whether a change of this property may change what a poll reads.
    bool watched(xcb_atom_t a) const {
        for (const xcb_atom_t w :
             {netClientListStacking, netClientList, netActiveWindow, netSupportingWmCheck, netWmPid,
              netWmName, wmClass, wmName, netWmWindowType, wmTransientFor, netWmState, wmState,
              netFrameExtents}) {
            if (a == w) {
                return true;
            }
        }
        return false;
    }

    // All of them in one round: every request is sent before the first reply is read.
    static Atoms intern(xcb_connection_t* c);
};

}  // namespace platform::x11
