#pragma once

#include <xcb/xcb.h>

namespace platform::x11 {

// The atoms the backend uses, interned once per connection.
struct Atoms {
    xcb_atom_t netClientListStacking, netActiveWindow, netSupportingWmCheck, netWmPid, netWmName,
        utf8String, wmClass, wmName, netWmWindowType, wmTransientFor, netWmState, wmState,
        netFrameExtents, typeNormal, typeDialog, typeUtility, typeDock, typeDesktop, stateHidden,
        stateAbove, stateFullscreen, netMoveresizeWindow, netCloseWindow, wmChangeState,
        xrootpmapId, compoundText, netRestackWindow;

    static Atoms intern(xcb_connection_t* c);
};

}  // namespace platform::x11
