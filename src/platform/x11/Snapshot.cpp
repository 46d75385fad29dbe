#include "platform/x11/Snapshot.h"

#include <algorithm>

#include <xcb/res.h>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

std::vector<xcb_atom_t> atomList(const PropertyReply& r) {
    auto v = cardinals(r, XCB_ATOM_ATOM);
    return v ? std::vector<xcb_atom_t>(v->begin(), v->end()) : std::vector<xcb_atom_t>{};
}

// STRING is Latin-1; COMPOUND_TEXT is Latin-1 outside its escape sequences, which are dropped.
std::string decodeLegacyTitle(const PropertyReply& name, const Atoms& atoms) {
    auto legacy = bytes(name, atoms.textTypes());
    if (!legacy) {
        return {};
    }
    if (name->type == atoms.utf8String) {
        return *legacy;
    }
    if (name->type == XCB_ATOM_STRING) {
        return latin1ToUtf8(*legacy);
    }
    std::string plain;
    for (std::size_t i = 0; i < legacy->size(); ++i) {
        if ((*legacy)[i] == '\x1b') {
            while (i + 1 < legacy->size() && static_cast<unsigned char>((*legacy)[i + 1]) < 0x40) {
                ++i;
            }
            ++i;
            continue;
        }
        plain += (*legacy)[i];
    }
    return latin1ToUtf8(plain);
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

// The first poll of a window learns what stays: owner, class, type, and which root child
// frames it. Windows that do not name their owner are asked about through the server.
class FactReader {
  public:
    FactReader(xcb_connection_t* c, xcb_window_t root, const Atoms& a, Snapshot& s)
        : c_(c), root_(root), a_(a), s_(s) {}

    void learnClients(const std::vector<xcb_window_t>& ids, FactCache& cache,
                      const std::unordered_map<xcb_window_t, bool>& isTopLevel) {
        struct Pending {
            xcb_window_t id;
            xcb_get_property_cookie_t pid, cls, type, transient;
            xcb_query_tree_cookie_t tree;
        };
        std::vector<Pending> pending;
        for (xcb_window_t w : ids) {
            if (!cache.clients.contains(w)) {
                // Asked first, so the window's end is reported from before its facts are read.
                xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &FactCache::kClientEvents);
                pending.push_back(
                    {w, requestProperty(c_, w, a_.netWmPid), requestProperty(c_, w, a_.wmClass),
                     requestProperty(c_, w, a_.netWmWindowType),
                     requestProperty(c_, w, a_.wmTransientFor), xcb_query_tree(c_, w)});
            }
        }
        if (pending.empty()) {
            return;
        }
        std::vector<std::pair<xcb_window_t, xcb_window_t>> climbing;  // client, ancestor
        for (Pending& p : pending) {
            StaticFacts f;
            f.pid = static_cast<std::int32_t>(
                firstCardinal(collectProperty(c_, p.pid), XCB_ATOM_CARDINAL).value_or(0));
            const auto cls = nulSeparated(collectProperty(c_, p.cls), a_.textTypes());
            f.instance = cls.size() > 0 ? cls[0] : std::string();
            f.windowClass = cls.size() > 1 ? cls[1] : std::string();
            f.types = atomList(collectProperty(c_, p.type));
            f.transient =
                firstCardinal(collectProperty(c_, p.transient), XCB_ATOM_WINDOW).value_or(0) != 0;
            auto tree = collect<xcb_query_tree_reply_t>(c_, p.tree, xcb_query_tree_reply);
            if (!tree) {
                continue;  // gone already
            }
            if (isTopLevel.contains(p.id)) {
                f.topLevel = p.id;
            } else if (isTopLevel.contains(tree->parent)) {
                f.topLevel = tree->parent;
            } else if (tree->parent != root_) {
                climbing.emplace_back(p.id, tree->parent);
            }
            cache.clients[p.id] = std::move(f);
        }
        ++s_.roundTrips;
        climb(climbing, cache, isTopLevel);
        resolveOwners(cache, pending);
    }

  private:
    // Clients nested deeper than one frame: walk up, one round per level, a few levels at most.
    void climb(std::vector<std::pair<xcb_window_t, xcb_window_t>> climbing, FactCache& cache,
               const std::unordered_map<xcb_window_t, bool>& isTopLevel) {
        for (int depth = 0; depth < 4 && !climbing.empty(); ++depth) {
            std::vector<xcb_query_tree_cookie_t> cookies;
            for (auto& [client, up] : climbing) {
                cookies.push_back(xcb_query_tree(c_, up));
            }
            std::vector<std::pair<xcb_window_t, xcb_window_t>> next;
            for (std::size_t i = 0; i < climbing.size(); ++i) {
                auto tree = collect<xcb_query_tree_reply_t>(c_, cookies[i], xcb_query_tree_reply);
                if (!tree) {
                    continue;
                }
                if (isTopLevel.contains(tree->parent)) {
                    cache.clients[climbing[i].first].topLevel = tree->parent;
                } else if (tree->parent != root_ && tree->parent != 0) {
                    next.emplace_back(climbing[i].first, tree->parent);
                }
            }
            ++s_.roundTrips;
            climbing = std::move(next);
        }
    }

    template <class P>
    void resolveOwners(FactCache& cache, const std::vector<P>& learned) {
        std::vector<std::pair<xcb_window_t, xcb_res_query_client_ids_cookie_t>> asks;
        for (const P& p : learned) {
            auto it = cache.clients.find(p.id);
            if (it != cache.clients.end() && it->second.pid == 0) {
                asks.emplace_back(p.id, requestOwner(c_, p.id));
            }
        }
        for (auto& [id, cookie] : asks) {
            cache.clients[id].pid = ownerPid(c_, cookie).value_or(0);
        }
        if (!asks.empty()) {
            ++s_.roundTrips;
        }
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    const Atoms& a_;
    Snapshot& s_;
};

}  // namespace

void FactCache::forget(xcb_window_t w) {
    clients.erase(w);
    topLevels.erase(w);
    std::erase_if(clients, [w](const auto& kv) { return kv.second.topLevel == w; });
}

void FactCache::absorb(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
        case XCB_DESTROY_NOTIFY:
            forget(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
            break;
        case XCB_REPARENT_NOTIFY:
            forget(reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window);
            break;
        default:
            break;  // errors of requests without replies, and changes polls read anyway
    }
}

void FactCache::absorbPending(xcb_connection_t* c) {
    while (const Event event{xcb_poll_for_event(c)}) {
        absorb(*event);
    }
}

void FactCache::reconcile(xcb_window_t check,
                          const std::unordered_map<xcb_window_t, bool>& isTopLevel) {
    if (check != wmCheck) {
        clients.clear();  // a new window manager frames every client anew
        wmCheck = check;
    }
    std::erase_if(clients, [&](const auto& kv) {
        return kv.second.topLevel != 0 && !isTopLevel.contains(kv.second.topLevel);
    });
}

const Client* Snapshot::client(xcb_window_t id) const {
    auto it = clientIndex.find(id);
    return it == clientIndex.end() ? nullptr : &clients[it->second];
}

Snapshot Snapshot::take(xcb_connection_t* c, xcb_window_t root, const Atoms& a, FactCache& cache) {
    Snapshot s;
    // Round one: the managed clients, the active window, the manager, the stacking of the root.
    const auto stackingCookie = requestProperty(c, root, a.netClientListStacking, 65536);
    const auto activeCookie = requestProperty(c, root, a.netActiveWindow);
    const auto checkCookie = requestProperty(c, root, a.netSupportingWmCheck);
    const auto treeCookie = xcb_query_tree(c, root);
    const auto geometryCookie = xcb_get_geometry(c, root);
    const auto stacking = cardinals(collectProperty(c, stackingCookie), XCB_ATOM_WINDOW)
                              .value_or(std::vector<std::uint32_t>{});
    s.active = firstCardinal(collectProperty(c, activeCookie), XCB_ATOM_WINDOW).value_or(0);
    const auto check = firstCardinal(collectProperty(c, checkCookie), XCB_ATOM_WINDOW);
    const auto rootChildren =
        children(collect<xcb_query_tree_reply_t>(c, treeCookie, xcb_query_tree_reply));
    if (auto g = collect<xcb_get_geometry_reply_t>(c, geometryCookie, xcb_get_geometry_reply)) {
        s.root = {0, 0, static_cast<double>(g->width), static_cast<double>(g->height)};
    }
    ++s.roundTrips;

    std::unordered_map<xcb_window_t, bool> isTopLevel;
    for (xcb_window_t w : rootChildren) {
        isTopLevel[w] = true;
    }
    // Every event up to the replies just read is queued by now.
    cache.absorbPending(c);
    cache.reconcile(check.value_or(0), isTopLevel);
    std::erase_if(cache.clients, [&](const auto& kv) {
        return std::find(stacking.begin(), stacking.end(), kv.first) == stacking.end();
    });
    std::erase_if(cache.topLevels, [&](const auto& kv) { return !isTopLevel.contains(kv.first); });
    FactReader(c, root, a, s).learnClients({stacking.begin(), stacking.end()}, cache, isTopLevel);

    // The changing facts of every client and root child, all requests before any reply.
    struct ClientAsk {
        xcb_get_property_cookie_t name, state;
    };
    std::vector<ClientAsk> clientAsks;
    for (xcb_window_t w : stacking) {
        clientAsks.push_back(
            {requestProperty(c, w, a.netWmName), requestProperty(c, w, a.netWmState)});
    }
    std::unordered_map<xcb_window_t, std::size_t> frameOf;  // top-level -> stacking index
    for (std::size_t i = 0; i < stacking.size(); ++i) {
        auto it = cache.clients.find(stacking[i]);
        if (it != cache.clients.end() && it->second.topLevel != 0) {
            frameOf[it->second.topLevel] = i;
        }
    }
    struct TopAsk {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        std::optional<xcb_get_property_cookie_t> pid, type;
    };
    std::vector<TopAsk> topAsks;
    for (xcb_window_t w : rootChildren) {
        TopAsk t{xcb_get_window_attributes(c, w), xcb_get_geometry(c, w), {}, {}};
        if (!frameOf.contains(w) && !cache.topLevels.contains(w)) {
            t.pid = requestProperty(c, w, a.netWmPid);
            t.type = requestProperty(c, w, a.netWmWindowType);
        }
        topAsks.push_back(t);
    }
    std::optional<xcb_get_property_cookie_t> checkSelf;
    if (check) {
        checkSelf = requestProperty(c, *check, a.netSupportingWmCheck);
    }

    std::vector<std::size_t> untitled;
    for (std::size_t i = 0; i < stacking.size(); ++i) {
        const ClientAsk& q = clientAsks[i];
        auto name = collectProperty(c, q.name);
        auto states = collectProperty(c, q.state);
        auto facts = cache.clients.find(stacking[i]);
        if (facts == cache.clients.end()) {
            continue;
        }
        Client cl;
        cl.id = stacking[i];
        cl.topLevel = facts->second.topLevel;
        cl.pid = facts->second.pid;
        cl.instance = facts->second.instance;
        cl.windowClass = facts->second.windowClass;
        cl.types = facts->second.types;
        cl.transient = facts->second.transient;
        const auto utf8 = bytes(name, a.utf8String);
        if (utf8 && !utf8->empty()) {
            cl.title = *utf8;
        } else {
            untitled.push_back(s.clients.size());
        }
        cl.states = atomList(states);
        s.clientIndex[cl.id] = s.clients.size();
        s.clients.push_back(std::move(cl));
    }
    for (std::size_t i = 0; i < rootChildren.size(); ++i) {
        TopLevel t;
        t.id = rootChildren[i];
        const auto attrs = collect<xcb_get_window_attributes_reply_t>(
            c, topAsks[i].attributes, xcb_get_window_attributes_reply);
        const auto g =
            collect<xcb_get_geometry_reply_t>(c, topAsks[i].geometry, xcb_get_geometry_reply);
        if (topAsks[i].pid) {
            StaticFacts f;
            f.pid = static_cast<std::int32_t>(
                firstCardinal(collectProperty(c, *topAsks[i].pid), XCB_ATOM_CARDINAL).value_or(0));
            f.types = atomList(collectProperty(c, *topAsks[i].type));
            cache.topLevels[t.id] = std::move(f);
        }
        if (!attrs || !g) {
            continue;
        }
        t.viewable = attrs->map_state == XCB_MAP_STATE_VIEWABLE;
        t.overrideRedirect = attrs->override_redirect != 0;
        t.rect = {static_cast<double>(g->x), static_cast<double>(g->y),
                  static_cast<double>(g->width + 2 * g->border_width),
                  static_cast<double>(g->height + 2 * g->border_width)};
        if (auto f = frameOf.find(t.id);
            f != frameOf.end() && s.clientIndex.contains(stacking[f->second])) {
            t.client = s.clientIndex[stacking[f->second]];
            Client& cl = s.clients[*t.client];
            t.pid = cl.pid;
            cl.frame = t.rect;  // the window as the user sees it, decorations included
        } else if (auto known = cache.topLevels.find(t.id); known != cache.topLevels.end()) {
            t.pid = known->second.pid;
            t.types = known->second.types;
        }
        s.topLevels.push_back(std::move(t));
    }
    if (checkSelf) {
        s.wmPresent = firstCardinal(collectProperty(c, *checkSelf), XCB_ATOM_WINDOW) == check;
    }
    ++s.roundTrips;

    // Rarely needed rounds: legacy titles, and owners of unmanaged windows that do not say.
    if (!untitled.empty()) {
        std::vector<xcb_get_property_cookie_t> names;
        for (std::size_t i : untitled) {
            names.push_back(requestProperty(c, s.clients[i].id, a.wmName));
        }
        for (std::size_t k = 0; k < untitled.size(); ++k) {
            s.clients[untitled[k]].title = decodeLegacyTitle(collectProperty(c, names[k]), a);
        }
        ++s.roundTrips;
    }
    std::vector<std::pair<std::size_t, xcb_res_query_client_ids_cookie_t>> owners;
    for (std::size_t i = 0; i < s.topLevels.size(); ++i) {
        TopLevel& t = s.topLevels[i];
        auto known = cache.topLevels.find(t.id);
        if (!t.client && t.viewable && t.pid == 0 && known != cache.topLevels.end() &&
            !known->second.ownerAsked) {
            known->second.ownerAsked = true;
            owners.emplace_back(i, requestOwner(c, t.id));
        }
    }
    for (auto& [i, cookie] : owners) {
        s.topLevels[i].pid = ownerPid(c, cookie).value_or(0);
        cache.topLevels[s.topLevels[i].id].pid = s.topLevels[i].pid;
    }
    if (!owners.empty()) {
        ++s.roundTrips;
    }
    return s;
}

}  // namespace platform::x11
