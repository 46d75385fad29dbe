#include "platform/x11/Snapshot.h"

#include <algorithm>

#include <xcb/res.h>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

struct RootRequests {
    xcb_get_property_cookie_t stacking, active, check;
    xcb_query_tree_cookie_t tree;
    xcb_get_geometry_cookie_t geometry;
};

struct ClientRequests {
    xcb_get_property_cookie_t pid, wmClass, netName, name, type, transient, state, wmState, extents;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_geometry_cookie_t geometry;
    xcb_query_tree_cookie_t tree;
};

struct TopLevelRequests {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_get_property_cookie_t pid, type;
};

std::vector<xcb_atom_t> atomList(const PropertyReply& r) {
    auto v = cardinals(r);
    return v ? std::vector<xcb_atom_t>(v->begin(), v->end()) : std::vector<xcb_atom_t>{};
}

std::string decodeTitle(const PropertyReply& netName, const PropertyReply& name,
                        const Atoms& atoms) {
    if (auto utf8 = bytes(netName); utf8 && netName->type == atoms.utf8String && !utf8->empty()) {
        return *utf8;
    }
    auto legacy = bytes(name);
    if (!legacy) {
        return {};
    }
    if (name->type == atoms.utf8String) {
        return *legacy;
    }
    // STRING is Latin-1; COMPOUND_TEXT is Latin-1 outside its escape sequences, which are kept
    // out of the title.
    if (name->type == atoms.compoundText) {
        std::string plain;
        for (std::size_t i = 0; i < legacy->size(); ++i) {
            if ((*legacy)[i] == '\x1b') {
                while (i + 1 < legacy->size() &&
                       static_cast<unsigned char>((*legacy)[i + 1]) < 0x40) {
                    ++i;
                }
                ++i;
                continue;
            }
            plain += (*legacy)[i];
        }
        return latin1ToUtf8(plain);
    }
    return latin1ToUtf8(*legacy);
}

std::vector<xcb_window_t> children(const Reply<xcb_query_tree_reply_t>& tree) {
    if (!tree) {
        return {};
    }
    const auto* w = xcb_query_tree_children(tree.get());
    return {w, w + xcb_query_tree_children_length(tree.get())};
}

std::optional<std::int32_t> ownerPid(xcb_connection_t* c,
                                     xcb_res_query_client_ids_cookie_t cookie) {
    auto reply =
        collect<xcb_res_query_client_ids_reply_t>(c, cookie, xcb_res_query_client_ids_reply);
    if (!reply) {
        return std::nullopt;
    }
    auto it = xcb_res_query_client_ids_ids_iterator(reply.get());
    if (it.rem <= 0 || xcb_res_client_id_value_value_length(it.data) < 1) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*xcb_res_client_id_value_value(it.data));
}

xcb_res_query_client_ids_cookie_t requestOwner(xcb_connection_t* c, xcb_window_t w) {
    xcb_res_client_id_spec_t spec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    return xcb_res_query_client_ids(c, 1, &spec);
}

void resolveOwners(xcb_connection_t* c, Snapshot& s) {
    std::vector<std::pair<std::size_t, xcb_res_query_client_ids_cookie_t>> clients, tops;
    for (std::size_t i = 0; i < s.clients.size(); ++i) {
        if (s.clients[i].pid == 0) {
            clients.emplace_back(i, requestOwner(c, s.clients[i].id));
        }
    }
    for (std::size_t i = 0; i < s.topLevels.size(); ++i) {
        const TopLevel& t = s.topLevels[i];
        if (t.pid == 0 && !t.client && t.viewable) {
            tops.emplace_back(i, requestOwner(c, t.id));
        }
    }
    for (auto& [i, cookie] : clients) {
        s.clients[i].pid = ownerPid(c, cookie).value_or(0);
        const xcb_window_t top = s.clients[i].topLevel;
        for (TopLevel& t : s.topLevels) {
            if (t.id == top && t.pid == 0) {
                t.pid = s.clients[i].pid;
            }
        }
    }
    for (auto& [i, cookie] : tops) {
        s.topLevels[i].pid = ownerPid(c, cookie).value_or(0);
    }
    if (!clients.empty() || !tops.empty()) {
        ++s.roundTrips;
    }
}

}  // namespace

const Client* Snapshot::client(xcb_window_t id) const {
    auto it = clientIndex.find(id);
    return it == clientIndex.end() ? nullptr : &clients[it->second];
}

Snapshot Snapshot::take(xcb_connection_t* c, xcb_window_t root, const Atoms& a) {
    Snapshot s;
    const RootRequests rr{requestProperty(c, root, a.netClientListStacking, 65536),
                          requestProperty(c, root, a.netActiveWindow),
                          requestProperty(c, root, a.netSupportingWmCheck), xcb_query_tree(c, root),
                          xcb_get_geometry(c, root)};
    const auto stacking =
        cardinals(collectProperty(c, rr.stacking)).value_or(std::vector<std::uint32_t>{});
    s.active = firstCardinal(collectProperty(c, rr.active)).value_or(0);
    const auto check = firstCardinal(collectProperty(c, rr.check));
    const auto rootChildren =
        children(collect<xcb_query_tree_reply_t>(c, rr.tree, xcb_query_tree_reply));
    if (auto g = collect<xcb_get_geometry_reply_t>(c, rr.geometry, xcb_get_geometry_reply)) {
        s.root = {0, 0, static_cast<double>(g->width), static_cast<double>(g->height)};
    }
    ++s.roundTrips;

    // Round two: every client's facts, every top-level's state, the manager's check window.
    std::vector<ClientRequests> cr;
    cr.reserve(stacking.size());
    for (xcb_window_t w : stacking) {
        cr.push_back({requestProperty(c, w, a.netWmPid), requestProperty(c, w, a.wmClass),
                      requestProperty(c, w, a.netWmName), requestProperty(c, w, a.wmName),
                      requestProperty(c, w, a.netWmWindowType),
                      requestProperty(c, w, a.wmTransientFor), requestProperty(c, w, a.netWmState),
                      requestProperty(c, w, a.wmState), requestProperty(c, w, a.netFrameExtents),
                      xcb_translate_coordinates(c, w, root, 0, 0), xcb_get_geometry(c, w),
                      xcb_query_tree(c, w)});
    }
    std::vector<TopLevelRequests> tr;
    tr.reserve(rootChildren.size());
    for (xcb_window_t w : rootChildren) {
        tr.push_back({xcb_get_window_attributes(c, w), xcb_get_geometry(c, w),
                      requestProperty(c, w, a.netWmPid), requestProperty(c, w, a.netWmWindowType)});
    }
    std::optional<xcb_get_property_cookie_t> checkSelf;
    if (check) {
        checkSelf = requestProperty(c, *check, a.netSupportingWmCheck);
    }

    std::unordered_map<xcb_window_t, xcb_window_t> parentOf;
    for (std::size_t i = 0; i < stacking.size(); ++i) {
        Client cl;
        cl.id = stacking[i];
        const ClientRequests& q = cr[i];
        cl.pid = static_cast<std::int32_t>(firstCardinal(collectProperty(c, q.pid)).value_or(0));
        const auto cls = nulSeparated(collectProperty(c, q.wmClass));
        cl.instance = cls.size() > 0 ? cls[0] : std::string();
        cl.windowClass = cls.size() > 1 ? cls[1] : std::string();
        const auto netName = collectProperty(c, q.netName);
        const auto name = collectProperty(c, q.name);
        cl.title = decodeTitle(netName, name, a);
        cl.types = atomList(collectProperty(c, q.type));
        cl.transient = firstCardinal(collectProperty(c, q.transient)).value_or(0) != 0;
        cl.states = atomList(collectProperty(c, q.state));
        cl.iconic = firstCardinal(collectProperty(c, q.wmState)).value_or(0) == 3;
        const auto extents =
            cardinals(collectProperty(c, q.extents)).value_or(std::vector<std::uint32_t>{});
        const auto origin = collect<xcb_translate_coordinates_reply_t>(
            c, q.origin, xcb_translate_coordinates_reply);
        const auto geometry =
            collect<xcb_get_geometry_reply_t>(c, q.geometry, xcb_get_geometry_reply);
        const auto tree = collect<xcb_query_tree_reply_t>(c, q.tree, xcb_query_tree_reply);
        if (!origin || !geometry || !tree) {
            continue;  // gone since the list was read
        }
        const double left = extents.size() == 4 ? extents[0] : 0;
        const double right = extents.size() == 4 ? extents[1] : 0;
        const double top = extents.size() == 4 ? extents[2] : 0;
        const double bottom = extents.size() == 4 ? extents[3] : 0;
        cl.frame = {origin->dst_x - left, origin->dst_y - top, geometry->width + left + right,
                    geometry->height + top + bottom};
        cl.decorations = {left + right, top + bottom};
        parentOf[cl.id] = tree->parent;
        s.clientIndex[cl.id] = s.clients.size();
        s.clients.push_back(std::move(cl));
    }
    for (std::size_t i = 0; i < rootChildren.size(); ++i) {
        TopLevel t;
        t.id = rootChildren[i];
        const auto attrs = collect<xcb_get_window_attributes_reply_t>(
            c, tr[i].attributes, xcb_get_window_attributes_reply);
        const auto g = collect<xcb_get_geometry_reply_t>(c, tr[i].geometry, xcb_get_geometry_reply);
        t.pid = static_cast<std::int32_t>(firstCardinal(collectProperty(c, tr[i].pid)).value_or(0));
        t.types = atomList(collectProperty(c, tr[i].type));
        if (!attrs || !g) {
            continue;
        }
        t.viewable = attrs->map_state == XCB_MAP_STATE_VIEWABLE;
        t.overrideRedirect = attrs->override_redirect != 0;
        t.rect = {static_cast<double>(g->x), static_cast<double>(g->y),
                  static_cast<double>(g->width + 2 * g->border_width),
                  static_cast<double>(g->height + 2 * g->border_width)};
        s.topLevels.push_back(std::move(t));
    }
    if (checkSelf) {
        s.wmPresent = firstCardinal(collectProperty(c, *checkSelf)) == check;
    }
    ++s.roundTrips;

    // Further rounds only while some client sits deeper than one frame below the root.
    std::unordered_map<xcb_window_t, std::size_t> topIndex;
    for (std::size_t i = 0; i < s.topLevels.size(); ++i) {
        topIndex[s.topLevels[i].id] = i;
    }
    std::unordered_map<xcb_window_t, xcb_window_t> ancestor;  // client -> current ancestor
    for (const Client& cl : s.clients) {
        ancestor[cl.id] = topIndex.contains(cl.id) ? cl.id : parentOf[cl.id];
    }
    for (int depth = 0; depth < 4; ++depth) {
        std::vector<std::pair<xcb_window_t, xcb_query_tree_cookie_t>> pending;
        for (auto& [client, up] : ancestor) {
            if (up != 0 && up != root && !topIndex.contains(up)) {
                pending.emplace_back(client, xcb_query_tree(c, up));
            }
        }
        if (pending.empty()) {
            break;
        }
        for (auto& [client, cookie] : pending) {
            auto tree = collect<xcb_query_tree_reply_t>(c, cookie, xcb_query_tree_reply);
            ancestor[client] = tree ? tree->parent : 0;
        }
        ++s.roundTrips;
    }
    for (std::size_t i = 0; i < s.clients.size(); ++i) {
        Client& cl = s.clients[i];
        auto top = topIndex.find(ancestor[cl.id]);
        if (top == topIndex.end()) {
            continue;
        }
        cl.topLevel = top->first;
        TopLevel& t = s.topLevels[top->second];
        t.client = i;
        if (t.pid == 0) {
            t.pid = cl.pid;
        }
    }

    // Last round: ask the server who owns windows that do not say so themselves (xterm, say).
    resolveOwners(c, s);
    return s;
}

}  // namespace platform::x11
