// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/x11/AppGroup.h"
#include "platform/x11/Snapshot.h"

using namespace platform::x11;

namespace {

StaticFacts framedBy(xcb_window_t frame) {
    return {.pid = 500, .topLevel = frame};
}

// Events arrive from xcb in 32-byte blocks, whatever their type.
template <class E>
xcb_generic_event_t event(std::uint8_t type, xcb_window_t w) {
    static_assert(sizeof(E) <= sizeof(xcb_generic_event_t));
    E e{};
    e.response_type = type;
    e.window = w;
    xcb_generic_event_t g{};
    std::memcpy(&g, &e, sizeof e);
    return g;
}
xcb_generic_event_t property(xcb_window_t w, xcb_atom_t a) {
    auto g = event<xcb_property_notify_event_t>(XCB_PROPERTY_NOTIFY, w);
    reinterpret_cast<xcb_property_notify_event_t&>(g).atom = a;
    return g;
}

// What a poll would reuse of a window: a letter for each part still known.
std::string known(const FactCache& cache, xcb_window_t w) {
    if (!cache.seen.contains(w)) {
        return "gone";
    }
    const SeenState& s = cache.seen.at(w);
    const bool parts[] = {bool(s.attributes), bool(s.geometry),  bool(s.wmClass), bool(s.pid),
                          bool(s.types),      bool(s.transient), bool(s.title),   bool(s.states)};
    std::string out;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        out += parts[i] ? "agcpytns"[i] : '-';
    }
    return out;
}

}  // namespace

// What is learned of a window ends with it, not with one poll's look at the window list: an id
// freed and handed out again at once, or a window manager that frames everything anew, must
// not leave facts of a window that no longer exists.
TEST(FactCache, FactsEndWithTheirWindowItsFrameOrTheirWindowManager) {
    FactCache cache;
    cache.clients = {{0x100, framedBy(0x900)}, {0x101, framedBy(0x901)}, {0x102, framedBy(0x902)}};
    cache.topLevels = {{0x700, StaticFacts{}}};
    cache.absorb(event<xcb_destroy_notify_event_t>(XCB_DESTROY_NOTIFY, 0x100));
    EXPECT_FALSE(cache.clients.contains(0x100));
    cache.absorb(event<xcb_destroy_notify_event_t>(
        XCB_DESTROY_NOTIFY, 0x901));  // a frame went: its client is framed anew
    EXPECT_FALSE(cache.clients.contains(0x101));
    cache.absorb(event<xcb_reparent_notify_event_t>(XCB_REPARENT_NOTIFY | 0x80, 0x102));  // sent
    EXPECT_TRUE(cache.clients.empty());
    cache.absorb(event<xcb_destroy_notify_event_t>(XCB_DESTROY_NOTIFY, 0x700));
    EXPECT_TRUE(cache.topLevels.empty());

    // The first manager seen, the same again, another one.
    const std::pair<xcb_window_t, std::size_t> managers[] = {{0x42, 0}, {0x42, 2}, {0x43, 0}};
    for (const auto& [manager, left] : managers) {
        cache.clients = {{0x100, framedBy(0x900)}, {0x101, framedBy(0x901)}};
        cache.reconcile(manager, {{0x900, true}, {0x901, true}});
        EXPECT_EQ(cache.clients.size(), left);
    }
    cache.clients = {{0x100, framedBy(0x900)}, {0x101, framedBy(0x901)}};
    cache.reconcile(0x43, {{0x900, true}});  // 0x901 is no longer a child of the root
    EXPECT_TRUE(cache.clients.contains(0x100));
    EXPECT_FALSE(cache.clients.contains(0x101));
}

// A poll reuses what it read of a window until an event says otherwise: each kind of change
// must clear just what it changes, or a moved, hidden or renamed chat is shown as it was. And a
// snapshot stands until an event says what it shows may have changed: missing one would leave
// a chat uncovered; taking every event would poll the server for nothing.
TEST(FactCache, EachEventClearsWhatItChangesAndOnlyThoseCount) {
    const Atoms atoms{.netActiveWindow = 300,
                      .netWmPid = 305,
                      .wmClass = 304,
                      .wmName = 302,
                      .netWmWindowType = 306,
                      .wmTransientFor = 307,
                      .netWmState = 303};
    const std::set<std::uint64_t> ours{0x800};
    const xcb_window_t w = 0x10;
    // The event, whether it counts as a change, what is still known of the window after it.
    const std::tuple<xcb_generic_event_t, bool, std::string> rows[] = {
        {event<xcb_configure_notify_event_t>(XCB_CONFIGURE_NOTIFY, w), true, "a-cpytns"},
        {event<xcb_configure_notify_event_t>(XCB_CONFIGURE_NOTIFY, 0x800), false, "agcpytns"},
        {event<xcb_map_notify_event_t>(XCB_MAP_NOTIFY, w), true, "-gcpytns"},
        {event<xcb_destroy_notify_event_t>(XCB_DESTROY_NOTIFY, w), true, "gone"},
        {property(w, atoms.wmName), true, "agcpyt-s"},  // the older name counts as the new
        {property(w, atoms.netWmState), true, "agcpytn-"},
        // What makes a window a chat may change after it is mapped, each part on its own.
        {property(w, atoms.wmClass), true, "ag-pytns"},
        {property(w, atoms.netWmPid), true, "agc-ytns"},
        {property(w, atoms.netWmWindowType), true, "agcp-tns"},
        {property(w, atoms.wmTransientFor), true, "agcpy-ns"},
        {property(w, atoms.netActiveWindow), true, "agcpytns"},
        {property(w, 999), false, "agcpytns"},       // say, the time of the last key press
        {xcb_generic_event_t{}, false, "agcpytns"},  // an error of a request without a reply
    };
    for (const auto& [e, change, after] : rows) {
        SCOPED_TRACE(after + " from event type " + std::to_string(e.response_type));
        FactCache cache;
        cache.atoms = &atoms;
        cache.ignored = &ours;
        // clang-format off
        cache.seen[w] = {SeenState::Attributes{}, platform::Rect{1, 2, 3, 4}, SeenState::ClassHint{},
                         500, std::vector<xcb_atom_t>{}, false, "김민지", std::vector<xcb_atom_t>{7}};
        // clang-format on
        EXPECT_EQ(cache.isChange(e), change);
        cache.absorb(e);
        EXPECT_EQ(cache.changed, change);
        EXPECT_EQ(known(cache, w), after);
    }
}

// Each application's windows, in whatever processes, report one process id: this user's live
// one where there is one. A window two groups' names match belongs to the first group asked,
// and an unmanaged pop-up follows its process into its group.
TEST(AppGroup, EachGroupsWindowsReportOneProcessAndTheFirstGroupClaimsAWindow) {
    Snapshot s;
    const std::pair<const char*, std::int32_t> clients[] = {
        {"kakaotalk.exe", 12}, {"kakaotalk.exe", 11}, {"Slack", 22},
        {"Slack", 21},         {"Notes", 30},         {"slack-helper", 23}};
    for (const auto& [cls, pid] : clients) {
        Client c;
        c.id = static_cast<xcb_window_t>(s.clients.size() + 1);
        c.pid = pid;
        c.windowClass = cls;
        c.instance = std::string(cls) == "slack-helper" ? "slack" : "";
        s.clients.push_back(c);
    }
    s.topLevels.push_back({.id = 99, .pid = 21});  // Slack's menu
    const auto ours = [](std::int32_t pid) { return pid == 12 || pid == 22; };
    EXPECT_EQ(AppGroup::unify(s, AppGroup::namesFor(AppGroup::kMessenger), ours), 12);
    EXPECT_EQ(AppGroup::unify(s, {"slack-helper"}, ours), 23);
    EXPECT_EQ(AppGroup::unify(s, {"SLACK"}, ours), 22);
    EXPECT_EQ(AppGroup::unify(s, {"Signal"}, ours), 0);
    std::vector<std::int32_t> pids;
    for (const Client& c : s.clients) {
        pids.push_back(c.pid);
    }
    EXPECT_EQ(pids, (std::vector<std::int32_t>{12, 12, 22, 22, 30, 23}));
    EXPECT_EQ(s.topLevels.front().pid, 22);
}
