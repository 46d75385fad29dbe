// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Snapshot.h"

#include <algorithm>
#include <unordered_set>

#include <xcb/res.h>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

std::vector<xcb_atom_t> atomList(const PropertyReply& r) {
    auto v = cardinals(r, XCB_ATOM_ATOM);
    return v ? std::vector<xcb_atom_t>(v->begin(), v->end()) : std::vector<xcb_atom_t>{};
}

}  // namespace

// COMPOUND_TEXT is Latin-1 outside its escape sequences, which are dropped.
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
            // ESC, its intermediate bytes (0x20-0x2F), then one final byte: finals from 0x30 on
            // (ESC ( 0 chooses line drawing) end the sequence like any other.
            while (i + 1 < legacy->size() &&
                   (static_cast<unsigned char>((*legacy)[i + 1]) & 0xF0) == 0x20) {
                ++i;
            }
            ++i;
            continue;
        }
        plain += (*legacy)[i];
    }
    return latin1ToUtf8(plain);
}

namespace {

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

// One poll, round by round. Every round sends all its requests before it reads a reply, and
// counts itself in the snapshot's round trips.
class Poll {
  public:
    Poll(xcb_connection_t* c, xcb_window_t root, const Atoms& a, FactCache& cache, Snapshot& s)
        : c_(c), root_(root), a_(a), cache_(cache), s_(s) {}

    void rootRound();
    void managerRound();
    void settleFacts();
    void learnNewClients();
    void windowRound();
    void legacyTitleRound();
    void ownerRound();
    void adoptUnlistedWindows();
    void orderClients();

  private:
    struct ClientAsk {
        // none: nothing changed since it was read
        std::optional<xcb_get_property_cookie_t> cls, pid, type, transient, name, state;
    };
    struct TopAsk {
        std::optional<xcb_get_window_attributes_cookie_t> attributes;
        std::optional<xcb_get_geometry_cookie_t> geometry;
        std::optional<xcb_get_property_cookie_t> pid, type;
    };
    using Climbing = std::vector<std::pair<xcb_window_t, xcb_window_t>>;  // client, ancestor

    void clientsWithoutManager();
    void climb(Climbing climbing);
    std::vector<ClientAsk> askClients();
    std::vector<TopAsk> askTopLevels();
    void mapFrames();
    void readClients(const std::vector<ClientAsk>& asks);
    void readAgain(const ClientAsk& ask, SeenState& seen);
    Client describe(xcb_window_t id, const StaticFacts& facts, const SeenState& seen) const;
    void readTopLevels(const std::vector<TopAsk>& asks);
    void restackClients();

    xcb_connection_t* c_;
    xcb_window_t root_;
    const Atoms& a_;
    FactCache& cache_;
    Snapshot& s_;

    std::vector<xcb_window_t> stacking_;  // managed clients, bottom to top
    std::optional<xcb_window_t> check_;   // the window manager's own window, as the root names it
    std::optional<bool> checked_;         // whether that window names itself back
    std::vector<xcb_window_t> rootChildren_;
    std::unordered_map<xcb_window_t, bool> isTopLevel_;
    std::unordered_map<xcb_window_t, std::size_t> frameOf_;  // top-level -> stacking index
    std::vector<std::size_t> untitled_;                      // clients without a UTF-8 title
    bool asked_ = false;           // whether the window round sent anything
    bool inMappingOrder_ = false;  // the clients came in the order they were mapped
};

// The managed clients, the active window, the manager, the stacking of the root.
void Poll::rootRound() {
    const auto stackingCookie = requestProperty(c_, root_, a_.netClientListStacking, 65536);
    const auto listCookie = requestProperty(c_, root_, a_.netClientList, 65536);
    const auto activeCookie = requestProperty(c_, root_, a_.netActiveWindow);
    const auto checkCookie = requestProperty(c_, root_, a_.netSupportingWmCheck);
    const auto treeCookie = xcb_query_tree(c_, root_);
    const auto geometryCookie = xcb_get_geometry(c_, root_);
    // Most polls find the manager of the last one: its check is asked in this round.
    std::optional<xcb_get_property_cookie_t> knownCheck;
    if (cache_.wmCheck != 0) {
        knownCheck = requestProperty(c_, cache_.wmCheck, a_.netSupportingWmCheck);
    }
    const auto stacking = cardinals(collectProperty(c_, stackingCookie), XCB_ATOM_WINDOW);
    const auto listed = cardinals(collectProperty(c_, listCookie), XCB_ATOM_WINDOW);
    // Some managers (wlroots' XWayland one, weston's) keep only the list in order of mapping:
    // the root's stacking of the frames puts it in order once they are known.
    inMappingOrder_ = !stacking && listed;
    const auto& clients = stacking ? stacking : listed;
    if (clients) {
        stacking_.assign(clients->begin(), clients->end());
    } else {
        stacking_.clear();
    }
    s_.active = firstCardinal(collectProperty(c_, activeCookie), XCB_ATOM_WINDOW).value_or(0);
    check_ = firstCardinal(collectProperty(c_, checkCookie), XCB_ATOM_WINDOW);
    rootChildren_ = children(collect<xcb_query_tree_reply_t>(c_, treeCookie, xcb_query_tree_reply));
    if (auto g = collect<xcb_get_geometry_reply_t>(c_, geometryCookie, xcb_get_geometry_reply)) {
        s_.root = {0, 0, static_cast<double>(g->width), static_cast<double>(g->height)};
    }
    if (knownCheck) {
        const auto self = firstCardinal(collectProperty(c_, *knownCheck), XCB_ATOM_WINDOW);
        if (check_ == cache_.wmCheck) {
            checked_ = self == check_;
        }
    }
    ++s_.roundTrips;
    for (xcb_window_t w : rootChildren_) {
        isTopLevel_[w] = true;
    }
}

// Whether a window manager runs: the root names its check window, and that window names itself
// (a manager that ended leaves the root's properties behind). Without one, the lists the root
// still holds are stale, and the mapped windows on the root are the clients.
void Poll::managerRound() {
    if (check_ && !checked_) {  // a manager met for the first time
        const auto self = firstCardinal(
            collectProperty(c_, requestProperty(c_, *check_, a_.netSupportingWmCheck)),
            XCB_ATOM_WINDOW);
        checked_ = self == check_;
        ++s_.roundTrips;
    }
    s_.wmPresent = check_ && checked_.value_or(false);
    if (!s_.wmPresent) {
        clientsWithoutManager();
    }
}

// Nothing frames or lists the windows: each mapped window on the root that is not a popup or
// menu (those bypass any manager) stands for itself, in the root's stacking order. Nothing
// tells which is active either: none is, so every chat is covered.
void Poll::clientsWithoutManager() {
    std::vector<xcb_get_window_attributes_cookie_t> asks;
    asks.reserve(rootChildren_.size());
    for (xcb_window_t w : rootChildren_) {
        asks.push_back(xcb_get_window_attributes(c_, w));
    }
    stacking_.clear();
    for (std::size_t i = 0; i < rootChildren_.size(); ++i) {
        const auto attrs = collect<xcb_get_window_attributes_reply_t>(
            c_, asks[i], xcb_get_window_attributes_reply);
        if (attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE && !attrs->override_redirect) {
            stacking_.push_back(rootChildren_[i]);
        }
    }
    s_.active = 0;
    check_.reset();  // no manager: facts learned under one no longer hold
    ++s_.roundTrips;
}

// Drops the facts of windows that ended or left the lists; asks the server nothing.
void Poll::settleFacts() {
    // Every event up to the replies just read is queued by now.
    cache_.absorbPending(c_);
    cache_.reconcile(check_.value_or(0), isTopLevel_);
    const std::unordered_set<xcb_window_t> listed(stacking_.begin(), stacking_.end());
    std::erase_if(cache_.clients, [&](const auto& kv) { return !listed.contains(kv.first); });
    std::erase_if(cache_.topLevels,
                  [&](const auto& kv) { return !isTopLevel_.contains(kv.first); });
    std::erase_if(cache_.seen, [&](const auto& kv) {
        return !listed.contains(kv.first) && !isTopLevel_.contains(kv.first);
    });
}

// The first poll of a client learns which root child frames it, and from then on hears of its
// changes; what it says of itself is read with its other properties in the window round.
void Poll::learnNewClients() {
    struct Pending {
        xcb_window_t id;
        xcb_query_tree_cookie_t tree;
    };
    std::vector<Pending> pending;
    for (xcb_window_t w : stacking_) {
        if (!cache_.clients.contains(w)) {
            // Asked first, so any change after its properties are read is told.
            xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &FactCache::kClientEvents);
            pending.push_back({w, xcb_query_tree(c_, w)});
        }
    }
    if (pending.empty()) {
        return;
    }
    Climbing climbing;
    for (Pending& p : pending) {
        auto tree = collect<xcb_query_tree_reply_t>(c_, p.tree, xcb_query_tree_reply);
        if (!tree) {
            continue;  // gone already
        }
        StaticFacts f;
        if (isTopLevel_.contains(p.id)) {
            f.topLevel = p.id;
        } else if (isTopLevel_.contains(tree->parent)) {
            f.topLevel = tree->parent;
        } else if (tree->parent != root_) {
            climbing.emplace_back(p.id, tree->parent);
        }
        cache_.clients[p.id] = f;
    }
    ++s_.roundTrips;
    climb(std::move(climbing));
}

// Clients nested deeper than one frame: walk up, one round per level, a few levels at most.
void Poll::climb(Climbing climbing) {
    for (int depth = 0; depth < 4 && !climbing.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        for (auto& [client, up] : climbing) {
            cookies.push_back(xcb_query_tree(c_, up));
        }
        Climbing next;
        for (std::size_t i = 0; i < climbing.size(); ++i) {
            auto tree = collect<xcb_query_tree_reply_t>(c_, cookies[i], xcb_query_tree_reply);
            if (!tree) {
                continue;
            }
            if (isTopLevel_.contains(tree->parent)) {
                cache_.clients[climbing[i].first].topLevel = tree->parent;
            } else if (tree->parent != root_ && tree->parent != 0) {
                next.emplace_back(climbing[i].first, tree->parent);
            }
        }
        ++s_.roundTrips;
        climbing = std::move(next);
    }
}

// The changing facts of every client and root child.
void Poll::windowRound() {
    const auto clientAsks = askClients();
    mapFrames();
    const auto topAsks = askTopLevels();
    readClients(clientAsks);
    readTopLevels(topAsks);
    if (asked_) {
        ++s_.roundTrips;
    }
}

std::vector<Poll::ClientAsk> Poll::askClients() {
    std::vector<ClientAsk> asks(stacking_.size());
    const SeenState unseen;
    for (std::size_t i = 0; i < stacking_.size(); ++i) {
        const xcb_window_t w = stacking_[i];
        if (!cache_.clients.contains(w)) {
            continue;  // gone before it was learned
        }
        const auto it = cache_.seen.find(w);
        const SeenState& seen = it == cache_.seen.end() ? unseen : it->second;
        const auto ask = [&](bool known, xcb_atom_t property) {
            std::optional<xcb_get_property_cookie_t> cookie;
            if (!known) {
                cookie = requestProperty(c_, w, property);
                asked_ = true;
            }
            return cookie;
        };
        asks[i] = {ask(seen.wmClass.has_value(), a_.wmClass),
                   ask(seen.pid.has_value(), a_.netWmPid),
                   ask(seen.types.has_value(), a_.netWmWindowType),
                   ask(seen.transient.has_value(), a_.wmTransientFor),
                   ask(seen.title.has_value(), a_.netWmName),
                   ask(seen.states.has_value(), a_.netWmState)};
    }
    return asks;
}

// Which root child frames which client, as far as the facts tell.
void Poll::mapFrames() {
    for (std::size_t i = 0; i < stacking_.size(); ++i) {
        auto it = cache_.clients.find(stacking_[i]);
        if (it != cache_.clients.end() && it->second.topLevel != 0) {
            frameOf_[it->second.topLevel] = i;
        }
    }
}

// Root children met for the first time, and not a known client's frame, are asked who owns
// them and what they are.
std::vector<Poll::TopAsk> Poll::askTopLevels() {
    std::vector<TopAsk> asks;
    for (xcb_window_t w : rootChildren_) {
        TopAsk t;
        auto seen = cache_.seen.find(w);
        if (seen == cache_.seen.end() || !seen->second.attributes) {
            t.attributes = xcb_get_window_attributes(c_, w);
        }
        if (seen == cache_.seen.end() || !seen->second.geometry) {
            t.geometry = xcb_get_geometry(c_, w);
        }
        if (!frameOf_.contains(w) && !cache_.topLevels.contains(w)) {
            t.pid = requestProperty(c_, w, a_.netWmPid);
            t.type = requestProperty(c_, w, a_.netWmWindowType);
        }
        asked_ = asked_ || t.attributes || t.geometry || t.pid;
        asks.push_back(t);
    }
    return asks;
}

void Poll::readClients(const std::vector<ClientAsk>& asks) {
    for (std::size_t i = 0; i < stacking_.size(); ++i) {
        auto facts = cache_.clients.find(stacking_[i]);
        if (facts == cache_.clients.end()) {
            continue;
        }
        SeenState& seen = cache_.seen[stacking_[i]];
        readAgain(asks[i], seen);
        if (!seen.title) {
            untitled_.push_back(s_.clients.size());
        }
        s_.clientIndex[stacking_[i]] = s_.clients.size();
        s_.clients.push_back(describe(stacking_[i], facts->second, seen));
    }
}

// Takes in what was asked again of a client; every other fact stands as it was seen.
void Poll::readAgain(const ClientAsk& ask, SeenState& seen) {
    if (ask.cls) {
        const auto cls = nulSeparated(collectProperty(c_, *ask.cls), a_.textTypes());
        seen.wmClass = SeenState::ClassHint{cls.size() > 0 ? cls[0] : std::string(),
                                            cls.size() > 1 ? cls[1] : std::string()};
    }
    if (ask.pid) {
        seen.pid = static_cast<std::int32_t>(
            firstCardinal(collectProperty(c_, *ask.pid), XCB_ATOM_CARDINAL).value_or(0));
    }
    if (ask.type) {
        seen.types = atomList(collectProperty(c_, *ask.type));
    }
    if (ask.transient) {
        seen.transient =
            firstCardinal(collectProperty(c_, *ask.transient), XCB_ATOM_WINDOW).value_or(0) != 0;
    }
    if (ask.name) {
        const auto utf8 = bytes(collectProperty(c_, *ask.name), a_.utf8String);
        if (utf8 && !utf8->empty()) {
            seen.title = *utf8;
        } else {
            seen.title.reset();  // read under the older name later in the poll
        }
    }
    if (ask.state) {
        seen.states = atomList(collectProperty(c_, *ask.state));
    }
}

// A client as seen now: every fact but the title is known once the window round has run.
Client Poll::describe(xcb_window_t id, const StaticFacts& facts, const SeenState& seen) const {
    Client cl;
    cl.id = id;
    cl.topLevel = facts.topLevel;
    cl.pid = *seen.pid != 0 ? *seen.pid : facts.pid;
    cl.instance = seen.wmClass->instance;
    cl.windowClass = seen.wmClass->windowClass;
    cl.types = *seen.types;
    cl.transient = *seen.transient;
    cl.title = seen.title.value_or(std::string());
    cl.states = *seen.states;
    return cl;
}

void Poll::readTopLevels(const std::vector<TopAsk>& asks) {
    for (std::size_t i = 0; i < rootChildren_.size(); ++i) {
        TopLevel t;
        t.id = rootChildren_[i];
        SeenState& seen = cache_.seen[t.id];
        if (asks[i].attributes) {
            if (const auto attrs = collect<xcb_get_window_attributes_reply_t>(
                    c_, *asks[i].attributes, xcb_get_window_attributes_reply)) {
                seen.attributes = {attrs->map_state == XCB_MAP_STATE_VIEWABLE,
                                   attrs->override_redirect != 0};
            }
        }
        if (asks[i].geometry) {
            if (const auto g = collect<xcb_get_geometry_reply_t>(c_, *asks[i].geometry,
                                                                 xcb_get_geometry_reply)) {
                seen.geometry = Rect{static_cast<double>(g->x), static_cast<double>(g->y),
                                     static_cast<double>(g->width + 2 * g->border_width),
                                     static_cast<double>(g->height + 2 * g->border_width)};
            }
        }
        if (asks[i].pid) {
            StaticFacts f;
            f.pid = static_cast<std::int32_t>(
                firstCardinal(collectProperty(c_, *asks[i].pid), XCB_ATOM_CARDINAL).value_or(0));
            f.types = atomList(collectProperty(c_, *asks[i].type));
            cache_.topLevels[t.id] = std::move(f);
        }
        if (!seen.attributes || !seen.geometry) {
            cache_.seen.erase(t.id);  // gone before it could be read
            continue;
        }
        t.viewable = seen.attributes->viewable;
        t.overrideRedirect = seen.attributes->overrideRedirect;
        t.rect = *seen.geometry;
        if (auto f = frameOf_.find(t.id);
            f != frameOf_.end() && s_.clientIndex.contains(stacking_[f->second])) {
            t.client = s_.clientIndex[stacking_[f->second]];
            Client& cl = s_.clients[*t.client];
            t.pid = cl.pid;
            cl.frame = t.rect;  // the window as the user sees it, decorations included
        } else if (auto known = cache_.topLevels.find(t.id); known != cache_.topLevels.end()) {
            t.pid = known->second.pid;
            t.types = known->second.types;
        }
        s_.topLevels.push_back(std::move(t));
    }
}

// Rarely needed: clients that give no UTF-8 title are read under the older name.
void Poll::legacyTitleRound() {
    if (untitled_.empty()) {
        return;
    }
    std::vector<xcb_get_property_cookie_t> names;
    for (std::size_t i : untitled_) {
        names.push_back(requestProperty(c_, s_.clients[i].id, a_.wmName));
    }
    for (std::size_t k = 0; k < untitled_.size(); ++k) {
        Client& cl = s_.clients[untitled_[k]];
        cl.title = decodeLegacyTitle(collectProperty(c_, names[k]), a_);
        cache_.seen[cl.id].title = cl.title;
    }
    ++s_.roundTrips;
}

// Rarely needed: windows that do not say who owns them are asked about through the server,
// once each.
void Poll::ownerRound() {
    std::vector<std::pair<StaticFacts*, xcb_res_query_client_ids_cookie_t>> owners;
    const auto ask = [&](xcb_window_t w, StaticFacts& facts) {
        facts.ownerAsked = true;
        owners.emplace_back(&facts, requestOwner(c_, w));
    };
    for (const Client& cl : s_.clients) {
        auto known = cache_.clients.find(cl.id);
        if (cl.pid == 0 && known != cache_.clients.end() && !known->second.ownerAsked) {
            ask(cl.id, known->second);
        }
    }
    for (const TopLevel& t : s_.topLevels) {
        auto known = cache_.topLevels.find(t.id);
        if (!t.client && t.viewable && t.pid == 0 && known != cache_.topLevels.end() &&
            !known->second.ownerAsked) {
            ask(t.id, known->second);
        }
    }
    if (owners.empty()) {
        return;
    }
    for (auto& [facts, cookie] : owners) {
        facts->pid = ownerPid(c_, cookie).value_or(0);
    }
    ++s_.roundTrips;
    for (Client& cl : s_.clients) {
        if (auto known = cache_.clients.find(cl.id); cl.pid == 0 && known != cache_.clients.end()) {
            cl.pid = known->second.pid;
        }
    }
    for (TopLevel& t : s_.topLevels) {
        if (t.client) {
            t.pid = s_.clients[*t.client].pid;
        } else if (auto known = cache_.topLevels.find(t.id); known != cache_.topLevels.end()) {
            t.pid = known->second.pid;
        }
    }
}

// While one window manager hands over to another, a mapped window stands on the root unframed
// and unlisted until the new one takes it on. It is a client in its own right meanwhile: a chat
// in that state keeps its identity and its cover. Without a manager every such window is a
// client already; with one that has caught up there are none, and this asks nothing.
void Poll::adoptUnlistedWindows() {
    if (!s_.wmPresent) {
        return;
    }
    struct Ask {
        std::size_t top;
        xcb_get_property_cookie_t pid, cls, type, transient, name, legacyName, state;
    };
    std::vector<Ask> asks;
    for (std::size_t i = 0; i < s_.topLevels.size(); ++i) {
        TopLevel& t = s_.topLevels[i];
        if (!t.viewable || t.overrideRedirect || t.client || t.id == check_) {
            continue;
        }
        if (auto known = s_.clientIndex.find(t.id); known != s_.clientIndex.end()) {
            t.client = known->second;  // listed, though its frame was not known
            s_.clients[known->second].frame = t.rect;
        } else {
            const xcb_window_t w = t.id;
            // Its title and state changes are told like a listed client's.
            xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &FactCache::kClientEvents);
            asks.push_back(
                {i, requestProperty(c_, w, a_.netWmPid), requestProperty(c_, w, a_.wmClass),
                 requestProperty(c_, w, a_.netWmWindowType),
                 requestProperty(c_, w, a_.wmTransientFor), requestProperty(c_, w, a_.netWmName),
                 requestProperty(c_, w, a_.wmName), requestProperty(c_, w, a_.netWmState)});
        }
    }
    if (asks.empty()) {
        return;
    }
    for (const Ask& ask : asks) {
        TopLevel& t = s_.topLevels[ask.top];
        Client cl;
        cl.id = t.id;
        cl.topLevel = t.id;
        cl.pid = static_cast<std::int32_t>(
            firstCardinal(collectProperty(c_, ask.pid), XCB_ATOM_CARDINAL).value_or(t.pid));
        const auto cls = nulSeparated(collectProperty(c_, ask.cls), a_.textTypes());
        cl.instance = cls.size() > 0 ? cls[0] : std::string();
        cl.windowClass = cls.size() > 1 ? cls[1] : std::string();
        cl.types = atomList(collectProperty(c_, ask.type));
        cl.transient =
            firstCardinal(collectProperty(c_, ask.transient), XCB_ATOM_WINDOW).value_or(0) != 0;
        const auto utf8 = bytes(collectProperty(c_, ask.name), a_.utf8String);
        auto legacy = collectProperty(c_, ask.legacyName);
        cl.title = utf8 && !utf8->empty() ? *utf8 : decodeLegacyTitle(legacy, a_);
        cl.states = atomList(collectProperty(c_, ask.state));
        cl.frame = t.rect;
        t.pid = cl.pid;
        t.client = s_.clients.size();
        s_.clients.push_back(std::move(cl));
    }
    ++s_.roundTrips;
    restackClients();
}

void Poll::orderClients() {
    if (inMappingOrder_) {
        restackClients();
    }
}

// Puts the clients back into the root's stacking order after some were added at the end; a
// client whose frame is not among the root's children keeps its place after the one below it.
void Poll::restackClients() {
    std::vector<std::size_t> rank(s_.clients.size(), 0);
    for (std::size_t i = 0; i < s_.topLevels.size(); ++i) {
        if (s_.topLevels[i].client) {
            rank[*s_.topLevels[i].client] = i + 1;
        }
    }
    std::vector<std::size_t> order(s_.clients.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = k;
        if (rank[k] == 0 && k > 0) {
            rank[k] = rank[k - 1];
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rank[a] < rank[b]; });
    std::vector<Client> sorted;
    sorted.reserve(order.size());
    std::vector<std::size_t> newIndex(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        newIndex[order[k]] = k;
        sorted.push_back(std::move(s_.clients[order[k]]));
    }
    s_.clients = std::move(sorted);
    s_.clientIndex.clear();
    for (std::size_t k = 0; k < s_.clients.size(); ++k) {
        s_.clientIndex[s_.clients[k].id] = k;
    }
    for (TopLevel& t : s_.topLevels) {
        if (t.client) {
            t.client = newIndex[*t.client];
        }
    }
}

}  // namespace

void FactCache::forget(xcb_window_t w) {
    clients.erase(w);
    topLevels.erase(w);
    seen.erase(w);
    std::erase_if(clients, [w](const auto& kv) { return kv.second.topLevel == w; });
}

void FactCache::absorb(const xcb_generic_event_t& event) {
    changed = changed || isChange(event);
    restacked = restacked || isRestack(event);
    contradict(event);
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

namespace {

template <class Event>
xcb_window_t windowOf(const xcb_generic_event_t& event) {
    return reinterpret_cast<const Event&>(event).window;
}

// Drops what a changed property contradicts; without the atoms to tell, all a client said.
void forgetProperty(SeenState& s, xcb_atom_t property, const Atoms* atoms) {
    const auto is = [&](xcb_atom_t Atoms::*a) { return !atoms || property == atoms->*a; };
    if (is(&Atoms::wmClass)) {
        s.wmClass.reset();
    }
    if (is(&Atoms::netWmPid)) {
        s.pid.reset();
    }
    if (is(&Atoms::netWmWindowType)) {
        s.types.reset();
    }
    if (is(&Atoms::wmTransientFor)) {
        s.transient.reset();
    }
    if (is(&Atoms::netWmName) || is(&Atoms::wmName)) {
        s.title.reset();
    }
    if (is(&Atoms::netWmState)) {
        s.states.reset();
    }
}

}  // namespace

void FactCache::contradict(const xcb_generic_event_t& event) {
    const auto of = [this](xcb_window_t w) {
        auto it = seen.find(w);
        return it == seen.end() ? nullptr : &it->second;
    };
    const auto dropGeometry = [&](xcb_window_t w) {
        if (SeenState* s = of(w)) {
            s->geometry.reset();
        }
    };
    const auto dropAttributes = [&](xcb_window_t w) {
        if (SeenState* s = of(w)) {
            s->attributes.reset();
        }
    };
    switch (event.response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY:
            dropGeometry(windowOf<xcb_configure_notify_event_t>(event));
            break;
        case XCB_GRAVITY_NOTIFY:
            dropGeometry(windowOf<xcb_gravity_notify_event_t>(event));
            break;
        case XCB_MAP_NOTIFY:
            dropAttributes(windowOf<xcb_map_notify_event_t>(event));
            break;
        case XCB_UNMAP_NOTIFY:
            dropAttributes(windowOf<xcb_unmap_notify_event_t>(event));
            break;
        case XCB_PROPERTY_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            if (SeenState* s = of(e.window)) {
                forgetProperty(*s, e.atom, atoms);
            }
            break;
        }
        default:
            break;
    }
}

bool FactCache::isChange(const xcb_generic_event_t& event) const {
    const auto ours = [this](xcb_window_t w) { return ignored && ignored->contains(w); };
    switch (event.response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY:
            return !ours(reinterpret_cast<const xcb_configure_notify_event_t&>(event).window);
        case XCB_MAP_NOTIFY:
            return !ours(reinterpret_cast<const xcb_map_notify_event_t&>(event).window);
        case XCB_UNMAP_NOTIFY:
            return !ours(reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window);
        case XCB_DESTROY_NOTIFY:
            return !ours(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
        case XCB_CREATE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
        case XCB_GRAVITY_NOTIFY:
            return true;
        case XCB_PROPERTY_NOTIFY: {
            // Clients change some properties all the time (the last input's time, say).
            const xcb_atom_t a = reinterpret_cast<const xcb_property_notify_event_t&>(event).atom;
            return !atoms || atoms->watched(a);
        }
        default:
            return false;
    }
}

// Only the root selects its children's changes: an event told to another window than the one
// it is about comes from the root.
bool FactCache::isRestack(const xcb_generic_event_t& event) const {
    const auto ours = [this](xcb_window_t w) { return ignored && ignored->contains(w); };
    switch (event.response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_map_notify_event_t&>(event);
            return e.event != e.window && !ours(e.window);
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
            return e.event != e.window && !ours(e.window);
        }
        case XCB_REPARENT_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
            return e.event != e.window && e.parent == e.event;
        }
        case XCB_CIRCULATE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_circulate_notify_event_t&>(event);
            return e.event != e.window && e.place == XCB_PLACE_ON_TOP && !ours(e.window);
        }
        default:
            return false;
    }
}

bool FactCache::absorbQueued(xcb_connection_t* c) {
    bool any = false;
    while (const Event event{xcb_poll_for_queued_event(c)}) {
        absorb(*event);
        any = true;
    }
    return any;
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
    Poll poll(c, root, a, cache, s);
    poll.rootRound();
    poll.managerRound();
    poll.settleFacts();
    poll.learnNewClients();
    poll.windowRound();
    poll.legacyTitleRound();
    poll.ownerRound();
    poll.adoptUnlistedWindows();
    poll.orderClients();
    return s;
}

}  // namespace platform::x11
