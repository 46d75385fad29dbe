// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Atoms.h"

#include <array>
#include <string_view>
#include <vector>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

struct Named {
    xcb_atom_t Atoms::*member;
    const char* name;
};

constexpr std::array kTable{
    Named{&Atoms::netClientListStacking, "_NET_CLIENT_LIST_STACKING"},
    Named{&Atoms::netClientList, "_NET_CLIENT_LIST"},
    Named{&Atoms::netActiveWindow, "_NET_ACTIVE_WINDOW"},
    Named{&Atoms::netSupportingWmCheck, "_NET_SUPPORTING_WM_CHECK"},
    Named{&Atoms::netWmPid, "_NET_WM_PID"},
    Named{&Atoms::netWmName, "_NET_WM_NAME"},
    Named{&Atoms::utf8String, "UTF8_STRING"},
    Named{&Atoms::wmClass, "WM_CLASS"},
    Named{&Atoms::wmName, "WM_NAME"},
    Named{&Atoms::netWmWindowType, "_NET_WM_WINDOW_TYPE"},
    Named{&Atoms::wmTransientFor, "WM_TRANSIENT_FOR"},
    Named{&Atoms::netWmState, "_NET_WM_STATE"},
    Named{&Atoms::wmState, "WM_STATE"},
    Named{&Atoms::netFrameExtents, "_NET_FRAME_EXTENTS"},
    Named{&Atoms::typeNormal, "_NET_WM_WINDOW_TYPE_NORMAL"},
    Named{&Atoms::typeDialog, "_NET_WM_WINDOW_TYPE_DIALOG"},
    Named{&Atoms::typeUtility, "_NET_WM_WINDOW_TYPE_UTILITY"},
    Named{&Atoms::typeDock, "_NET_WM_WINDOW_TYPE_DOCK"},
    Named{&Atoms::typeDesktop, "_NET_WM_WINDOW_TYPE_DESKTOP"},
    Named{&Atoms::stateHidden, "_NET_WM_STATE_HIDDEN"},
    Named{&Atoms::stateAbove, "_NET_WM_STATE_ABOVE"},
    Named{&Atoms::stateFullscreen, "_NET_WM_STATE_FULLSCREEN"},
    Named{&Atoms::stateSkipTaskbar, "_NET_WM_STATE_SKIP_TASKBAR"},
    Named{&Atoms::stateSkipPager, "_NET_WM_STATE_SKIP_PAGER"},
    Named{&Atoms::stateSkipSwitcher, "_KDE_NET_WM_STATE_SKIP_SWITCHER"},
    Named{&Atoms::stateDemandsAttention, "_NET_WM_STATE_DEMANDS_ATTENTION"},
    Named{&Atoms::netMoveresizeWindow, "_NET_MOVERESIZE_WINDOW"},
    Named{&Atoms::netCloseWindow, "_NET_CLOSE_WINDOW"},
    Named{&Atoms::wmChangeState, "WM_CHANGE_STATE"},
    Named{&Atoms::xrootpmapId, "_XROOTPMAP_ID"},
    Named{&Atoms::compoundText, "COMPOUND_TEXT"},
    Named{&Atoms::netRestackWindow, "_NET_RESTACK_WINDOW"},
};

// A member left out of the table, or listed twice, would stay XCB_ATOM_NONE or shadow another
// without a sound: the build refuses both.
constexpr bool eachMemberOnceUnderItsOwnName() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        for (std::size_t j = i + 1; j < kTable.size(); ++j) {
            if (kTable[i].member == kTable[j].member ||
                std::string_view(kTable[i].name) == kTable[j].name) {
                return false;
            }
        }
    }
    return true;
}
static_assert(sizeof(Atoms) == kTable.size() * sizeof(xcb_atom_t), "an atom has no name");
static_assert(eachMemberOnceUnderItsOwnName(), "an atom is named twice");

}  // namespace

Atoms Atoms::intern(xcb_connection_t* c) {
    std::vector<const char*> names;
    names.reserve(kTable.size());
    for (const Named& n : kTable) {
        names.push_back(n.name);
    }
    const std::vector<xcb_atom_t> interned = internAtoms(c, names);
    Atoms atoms;
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        atoms.*kTable[i].member = interned[i];
    }
    return atoms;
}

}  // namespace platform::x11
