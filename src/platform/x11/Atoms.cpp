#include "platform/x11/Atoms.h"

#include <vector>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

Atoms Atoms::intern(xcb_connection_t* c) {
    const auto a = internAtoms(c, {"_NET_CLIENT_LIST_STACKING",
                                   "_NET_ACTIVE_WINDOW",
                                   "_NET_SUPPORTING_WM_CHECK",
                                   "_NET_WM_PID",
                                   "_NET_WM_NAME",
                                   "UTF8_STRING",
                                   "WM_CLASS",
                                   "WM_NAME",
                                   "_NET_WM_WINDOW_TYPE",
                                   "WM_TRANSIENT_FOR",
                                   "_NET_WM_STATE",
                                   "WM_STATE",
                                   "_NET_FRAME_EXTENTS",
                                   "_NET_WM_WINDOW_TYPE_NORMAL",
                                   "_NET_WM_WINDOW_TYPE_DIALOG",
                                   "_NET_WM_WINDOW_TYPE_UTILITY",
                                   "_NET_WM_WINDOW_TYPE_DOCK",
                                   "_NET_WM_WINDOW_TYPE_DESKTOP",
                                   "_NET_WM_STATE_HIDDEN",
                                   "_NET_WM_STATE_ABOVE",
                                   "_NET_WM_STATE_FULLSCREEN",
                                   "_NET_MOVERESIZE_WINDOW",
                                   "_NET_CLOSE_WINDOW",
                                   "WM_CHANGE_STATE",
                                   "_XROOTPMAP_ID",
                                   "COMPOUND_TEXT",
                                   "_NET_RESTACK_WINDOW"});
    Atoms r{};
    xcb_atom_t* out[] = {&r.netClientListStacking,
                         &r.netActiveWindow,
                         &r.netSupportingWmCheck,
                         &r.netWmPid,
                         &r.netWmName,
                         &r.utf8String,
                         &r.wmClass,
                         &r.wmName,
                         &r.netWmWindowType,
                         &r.wmTransientFor,
                         &r.netWmState,
                         &r.wmState,
                         &r.netFrameExtents,
                         &r.typeNormal,
                         &r.typeDialog,
                         &r.typeUtility,
                         &r.typeDock,
                         &r.typeDesktop,
                         &r.stateHidden,
                         &r.stateAbove,
                         &r.stateFullscreen,
                         &r.netMoveresizeWindow,
                         &r.netCloseWindow,
                         &r.wmChangeState,
                         &r.xrootpmapId,
                         &r.compoundText,
                         &r.netRestackWindow};
    for (std::size_t i = 0; i < a.size(); ++i) {
        *out[i] = a[i];
    }
    return r;
}

}  // namespace platform::x11
