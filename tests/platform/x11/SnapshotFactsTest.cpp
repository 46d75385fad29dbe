#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/x11/AppGroup.h"
#include "platform/x11/Snapshot.h"

using namespace platform::x11;

namespace {

StaticFacts framedBy(xcb_window_t frame) {
    StaticFacts f;
    f.pid = 500;
    f.topLevel = frame;
    return f;
}

// Events arrive from xcb in 32-byte blocks, whatever their type.
template <class E>
xcb_generic_event_t asGeneric(const E& e) {
    static_assert(sizeof(E) <= sizeof(xcb_generic_event_t));
    xcb_generic_event_t g{};
    std::memcpy(&g, &e, sizeof e);
    return g;
}

xcb_generic_event_t destroyed(xcb_window_t w) {
    xcb_destroy_notify_event_t e{};
    e.response_type = XCB_DESTROY_NOTIFY;
    e.window = w;
    return asGeneric(e);
}

xcb_generic_event_t reparented(xcb_window_t w, xcb_window_t parent) {
    xcb_reparent_notify_event_t e{};
    e.response_type = XCB_REPARENT_NOTIFY | 0x80;  // as sent by another client
    e.window = w;
    e.parent = parent;
    return asGeneric(e);
}

}  // namespace

// What is learned of a window ends with it, not with one poll's look at the window list: an id
// freed and handed out again at once, or a window manager that frames everything anew, must
// not leave facts of a window that no longer exists.
TEST(FactCache, FactsEndWithTheirWindowAndItsFrame) {
    FactCache cache;
    cache.clients = {{0x100, framedBy(0x900)}, {0x101, framedBy(0x901)}, {0x102, framedBy(0x902)}};
    cache.topLevels = {{0x700, StaticFacts{}}};

    cache.absorb(destroyed(0x100));
    EXPECT_FALSE(cache.clients.contains(0x100));
    cache.absorb(destroyed(0x901));  // a frame went: its client is framed anew
    EXPECT_FALSE(cache.clients.contains(0x101));
    cache.absorb(reparented(0x102, 0x950));
    EXPECT_FALSE(cache.clients.contains(0x102));
    cache.absorb(destroyed(0x700));
    EXPECT_TRUE(cache.topLevels.empty());

    xcb_generic_event_t other{};
    other.response_type = XCB_CONFIGURE_NOTIFY;
    cache.clients = {{0x100, framedBy(0x900)}};
    cache.absorb(other);
    EXPECT_TRUE(cache.clients.contains(0x100));
}

// A poll reuses what it read of a window until an event says otherwise: each kind of change
// must clear just what it changes, or a moved, hidden or renamed chat is shown as it was.
TEST(FactCache, EachEventClearsWhatItChanges) {
    Atoms atoms;
    atoms.netWmName = 301;
    atoms.wmName = 302;
    atoms.netWmState = 303;
    atoms.wmClass = 304;
    atoms.netWmPid = 305;
    atoms.netWmWindowType = 306;
    atoms.wmTransientFor = 307;
    FactCache cache;
    cache.atoms = &atoms;
    const auto seenAll = [] {
        SeenState s;
        s.attributes = SeenState::Attributes{true, false};
        s.geometry = platform::Rect{1, 2, 3, 4};
        s.wmClass = SeenState::ClassHint{"kakaotalk.exe", "kakaotalk.exe"};
        s.pid = 500;
        s.types = std::vector<xcb_atom_t>{};
        s.transient = false;
        s.title = "김민지";
        s.states = std::vector<xcb_atom_t>{7};
        return s;
    };
    const auto property = [](xcb_window_t w, xcb_atom_t a) {
        xcb_property_notify_event_t e{};
        e.response_type = XCB_PROPERTY_NOTIFY;
        e.window = w;
        e.atom = a;
        return asGeneric(e);
    };
    cache.seen = {{0x10, seenAll()},
                  {0x11, seenAll()},
                  {0x12, seenAll()},
                  {0x13, seenAll()},
                  {0x14, seenAll()}};

    xcb_configure_notify_event_t moved{};
    moved.response_type = XCB_CONFIGURE_NOTIFY;
    moved.window = 0x10;
    cache.absorb(asGeneric(moved));
    EXPECT_FALSE(cache.seen[0x10].geometry);
    EXPECT_TRUE(cache.seen[0x10].attributes && cache.seen[0x10].title);

    xcb_unmap_notify_event_t hidden{};
    hidden.response_type = XCB_UNMAP_NOTIFY;
    hidden.window = 0x11;
    cache.absorb(asGeneric(hidden));
    EXPECT_FALSE(cache.seen[0x11].attributes);
    EXPECT_TRUE(cache.seen[0x11].geometry);

    cache.absorb(property(0x12, atoms.wmName));  // the older name counts as much as the new
    EXPECT_FALSE(cache.seen[0x12].title);
    EXPECT_TRUE(cache.seen[0x12].states);
    cache.absorb(property(0x13, atoms.netWmState));
    EXPECT_FALSE(cache.seen[0x13].states);
    EXPECT_TRUE(cache.seen[0x13].title);
    cache.absorb(property(0x14, 999));  // a property no poll reads
    EXPECT_TRUE(cache.seen[0x14].title && cache.seen[0x14].states);
    // What makes a window a chat may change after it is mapped, each part on its own.
    for (const xcb_atom_t a :
         {atoms.wmClass, atoms.netWmPid, atoms.netWmWindowType, atoms.wmTransientFor}) {
        cache.seen[0x15] = seenAll();
        cache.absorb(property(0x15, a));
        const SeenState& s = cache.seen[0x15];
        EXPECT_EQ(!s.wmClass + !s.pid + !s.types + !s.transient, 1) << a;
        EXPECT_EQ(!s.wmClass, a == atoms.wmClass);
        EXPECT_TRUE(s.title && s.states);
    }

    cache.absorb(destroyed(0x14));
    EXPECT_FALSE(cache.seen.contains(0x14));
    cache.absorb(reparented(0x13, 0x900));
    EXPECT_FALSE(cache.seen.contains(0x13));
}

TEST(FactCache, ANewWindowManagerOrAVanishedFrameMeansLearningAfresh) {
    FactCache cache;
    cache.clients = {{0x100, framedBy(0x900)}, {0x101, framedBy(0x901)}};
    const std::unordered_map<xcb_window_t, bool> roots{{0x900, true}, {0x901, true}};
    cache.reconcile(0x42, roots);  // the first manager seen
    EXPECT_TRUE(cache.clients.empty());

    cache.clients = {{0x100, framedBy(0x900)}, {0x101, framedBy(0x901)}};
    cache.reconcile(0x42, roots);
    EXPECT_EQ(cache.clients.size(), 2u);
    cache.reconcile(0x42, {{0x900, true}});  // 0x901 is no longer a child of the root
    EXPECT_TRUE(cache.clients.contains(0x100));
    EXPECT_FALSE(cache.clients.contains(0x101));
    cache.reconcile(0x43, roots);  // another window manager
    EXPECT_TRUE(cache.clients.empty());
}

namespace {

Client client(xcb_window_t id, std::int32_t pid, const std::string& cls) {
    Client c;
    c.id = id;
    c.pid = pid;
    c.instance = cls;
    c.windowClass = cls;
    return c;
}

Snapshot messengers() {
    Snapshot s;
    s.clients = {client(1, 1, "kakaotalk.exe"), client(2, 600, "kakaotalk.exe"),
                 client(3, 500, "com.kakao.KakaoTalkMac"), client(4, 700, "org.example.Editor")};
    for (std::size_t i = 0; i < s.clients.size(); ++i) {
        TopLevel t;
        t.id = 0x900 + s.clients[i].id;
        t.pid = s.clients[i].pid;
        t.client = i;
        s.topLevels.push_back(t);
    }
    TopLevel popup;  // an unmanaged menu of the second messenger process
    popup.id = 0x999;
    popup.pid = 600;
    s.topLevels.push_back(popup);
    return s;
}

}  // namespace

// Windows of the messenger's class from any process are one messenger, spoken for by the
// user's own live process with the lowest id; a window that claims someone else's process
// (pid 1 here) is covered with the rest but never speaks for them.
TEST(AppGroup, EveryWindowOfTheMessengersClassReportsOneProcess) {
    Snapshot s = messengers();
    const std::set<std::int32_t> live{500, 600, 700};
    const auto names = AppGroup::namesFor(AppGroup::kMessenger);
    EXPECT_EQ(AppGroup::unify(s, names, [&](std::int32_t p) { return live.contains(p); }), 500);
    EXPECT_EQ(s.clients[0].pid, 500);
    EXPECT_EQ(s.clients[1].pid, 500);
    EXPECT_EQ(s.clients[2].pid, 500);
    EXPECT_EQ(s.clients[3].pid, 700);  // another program keeps its own
    EXPECT_EQ(s.topLevels[1].pid, 500);
    EXPECT_EQ(s.topLevels[3].pid, 700);
    EXPECT_EQ(s.topLevels[4].pid, 500);  // the pop-up follows its process

    // With no process of the user's, the lowest claim speaks for all: still one messenger.
    Snapshot t = messengers();
    EXPECT_EQ(AppGroup::unify(t, names, [](std::int32_t) { return false; }), 1);
    EXPECT_EQ(t.clients[2].pid, 1);

    Snapshot none;
    none.clients = {client(4, 700, "org.example.Editor")};
    EXPECT_EQ(AppGroup::unify(none, names, [](std::int32_t) { return true; }), 0);
    EXPECT_EQ(none.clients[0].pid, 700);
}

TEST(AppGroup, ClassNamesMatchWithoutRegardToCase) {
    const auto names = AppGroup::namesFor(AppGroup::kMessenger);
    EXPECT_TRUE(AppGroup::matches(names, "KakaoTalk.exe"));
    EXPECT_TRUE(AppGroup::matches(names, "com.kakao.kakaotalkmac"));
    EXPECT_FALSE(AppGroup::matches(names, ""));
    EXPECT_FALSE(AppGroup::matches(names, "kakaotalk.exe2"));
}

// A snapshot stands until an event says what it shows may have changed. Missing one would
// leave a chat uncovered; taking every event would poll the server for nothing.
TEST(FactCache, OnlyEventsThatChangeWhatAPollReadsCount) {
    Atoms atoms;
    atoms.netActiveWindow = 300;
    atoms.netWmName = 301;
    const std::set<std::uint64_t> ours{0x800};
    FactCache cache;
    cache.atoms = &atoms;
    cache.ignored = &ours;
    const auto configured = [](xcb_window_t w) {
        xcb_configure_notify_event_t e{};
        e.response_type = XCB_CONFIGURE_NOTIFY;
        e.window = w;
        return asGeneric(e);
    };
    const auto property = [](xcb_atom_t a) {
        xcb_property_notify_event_t e{};
        e.response_type = XCB_PROPERTY_NOTIFY;
        e.atom = a;
        return asGeneric(e);
    };
    xcb_map_notify_event_t mapped{};
    mapped.response_type = XCB_MAP_NOTIFY;
    mapped.window = 0x500;
    xcb_generic_event_t error{};
    error.response_type = 0;  // an error of a request without a reply

    EXPECT_TRUE(cache.isChange(configured(0x500)));   // another program's window moved
    EXPECT_FALSE(cache.isChange(configured(0x800)));  // our own cover did
    EXPECT_TRUE(cache.isChange(asGeneric(mapped)));
    EXPECT_TRUE(cache.isChange(destroyed(0x500)));
    EXPECT_TRUE(cache.isChange(property(300)));   // the active window
    EXPECT_TRUE(cache.isChange(property(301)));   // a title
    EXPECT_FALSE(cache.isChange(property(999)));  // say, the time of the last key press
    EXPECT_FALSE(cache.isChange(error));

    cache.absorb(property(999));
    EXPECT_FALSE(cache.changed);
    cache.absorb(configured(0x500));
    EXPECT_TRUE(cache.changed);
}
