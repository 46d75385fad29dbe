// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include <xcb/xcb.h>

#include "platform/Geometry.h"
#include "platform/x11/Atoms.h"
#include "platform/x11/Xcb.h"

namespace platform::x11 {

// A WM_NAME value as UTF-8: UTF8_STRING as it is, STRING as Latin-1, COMPOUND_TEXT as Latin-1
// without its escape sequences; empty for any other type or format.
std::string decodeLegacyTitle(const PropertyReply& name, const Atoms& atoms);

// One managed client window as the window manager and the client describe it.
struct Client {
    xcb_window_t id = 0;
    xcb_window_t topLevel = 0;  // its frame among the root's children (itself when unframed)
    std::int32_t pid = 0;       // 0: unknown
    std::string instance;       // WM_CLASS instance
    std::string windowClass;    // WM_CLASS class
    std::string title;          // UTF-8
    std::vector<xcb_atom_t> types;
    bool transient = false;
    std::vector<xcb_atom_t> states;
    Rect frame;            // root coordinates (top-left origin), decorations included
    Size decorations;      // what the frame adds to the client's own size
    bool grouped = false;  // claimed by an application group (AppGroup::unify)
};

// One child of the root window: a frame, an unmanaged window, or one of the manager's own.
struct TopLevel {
    xcb_window_t id = 0;
    bool viewable = false;
    bool overrideRedirect = false;
    Rect rect;  // root coordinates
    std::int32_t pid = 0;
    std::vector<xcb_atom_t> types;
    std::optional<std::size_t> client;  // index into Snapshot::clients
};

// What does not change while a window lives: read once per window, reused by later polls.
struct StaticFacts {
    std::int32_t pid = 0;           // 0: unknown; a client's only when it names none itself
    std::vector<xcb_atom_t> types;  // of a root child that is no client
    xcb_window_t topLevel = 0;      // 0 until found
    bool ownerAsked = false;        // the server was asked who owns it
};
// What a poll read of a window that changes only with an event the program hears of: the
// root's children's place, size and mapping, and what the clients say of themselves. A poll
// asks again only for what an event has since contradicted, so its cost follows what changed;
// a client that takes another class, type or owner after it was mapped is seen anew.
struct SeenState {
    struct Attributes {
        bool viewable = false;
        bool overrideRedirect = false;
    };
    struct ClassHint {
        std::string instance;
        std::string windowClass;
    };
    std::optional<Attributes> attributes;
    std::optional<Rect> geometry;  // root coordinates, border included
    std::optional<ClassHint> wmClass;
    std::optional<std::int32_t> pid;  // as the client names it; 0: it does not
    std::optional<std::vector<xcb_atom_t>> types;
    std::optional<bool> transient;
    std::optional<std::string> title;  // UTF-8, from whichever name the window gives
    std::optional<std::vector<xcb_atom_t>> states;
};

// The facts end with their window: X may hand a freed id to a new window at once, and a
// window manager that restarts frames every client anew. The server's notices of destroyed
// and reparented windows are absorbed here; a poll that finds a client's frame gone, or a new
// window manager, learns afresh.
struct FactCache {
    std::unordered_map<xcb_window_t, StaticFacts> clients;
    std::unordered_map<xcb_window_t, StaticFacts> topLevels;  // windows without a client
    xcb_window_t wmCheck = 0;  // the window manager the frames were learned under
    std::unordered_map<xcb_window_t, SeenState> seen;

    // The events the facts and every later poll depend on: on the root, its children coming,
    // going, moving and restacking, and its properties (the active window, the client lists);
    // on each client, its end, its reparenting and its properties (class, owner, type, title,
    // state).
    static constexpr std::uint32_t kRootEvents = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                                 XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                                 XCB_EVENT_MASK_PROPERTY_CHANGE;
    static constexpr std::uint32_t kClientEvents =
        XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;

    // Set by any event that may change what a poll reads; the owner clears it when it polls.
    bool changed = false;
    // Set by an event that may have put a window above the program's own: one mapped,
    // restacked or reparented on the root. The owner clears it when it has looked.
    bool restacked = false;
    // For telling such events apart: the atoms, and windows whose own changes never matter
    // (the program's covers and bar).
    const Atoms* atoms = nullptr;
    const std::set<std::uint64_t>* ignored = nullptr;

    // What was learned of `w`, and of clients framed by it, no longer holds.
    void forget(xcb_window_t w);
    // What an event says has changed about a window is read again by the next poll.
    void contradict(const xcb_generic_event_t& event);
    // Applies one event from the server; others are ignored.
    void absorb(const xcb_generic_event_t& event);
    // Whether an event tells of a change a poll would see.
    bool isChange(const xcb_generic_event_t& event) const;
    // Whether it may have put another window above the ignored ones.
    bool isRestack(const xcb_generic_event_t& event) const;
    // Reads every event queued on the connection into the cache.
    void absorbPending(xcb_connection_t* c);
    // The same for events already read from the socket, without reading it (no system call).
    // Whether there was any.
    bool absorbQueued(xcb_connection_t* c);
    // Drops what the current window manager and root children contradict.
    void reconcile(xcb_window_t wmCheck, const std::unordered_map<xcb_window_t, bool>& isTopLevel);
};

// Everything one poll needs to know about the windows, gathered with a fixed number of round
// trips whatever the number of windows: all requests of a round are sent before any reply is
// read. A window that vanished midway is simply missing.
struct Snapshot {
    bool wmPresent = false;
    xcb_window_t active = 0;
    Rect root;
    std::vector<Client> clients;      // stacking order, bottom to top
    std::vector<TopLevel> topLevels;  // stacking order, bottom to top
    std::unordered_map<xcb_window_t, std::size_t> clientIndex;
    int roundTrips = 0;
    std::uint64_t generation = 0;  // which poll this is

    // `cache` carries the unchanging facts from one poll to the next; entries of windows that
    // are gone are dropped.
    static Snapshot take(xcb_connection_t* c, xcb_window_t root, const Atoms& atoms,
                         FactCache& cache);

    const Client* client(xcb_window_t id) const;
};

}  // namespace platform::x11
