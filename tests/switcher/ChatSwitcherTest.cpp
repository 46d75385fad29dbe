#include <QSignalSpy>

#include "switcher/SwitcherFixture.h"

using namespace platform;

using IDs = std::vector<std::uint32_t>;
using Strings = std::vector<std::string>;

TEST_F(SwitcherTest, TheMainWindowComesFirstAsKThenTheChatsAsFirstSeen) {
    step();
    EXPECT_EQ(switcher().switchList, (IDs{1000, 1001, 1002, 1003}));
    EXPECT_TRUE(switcher().hasMain);
    EXPECT_EQ(labels(), (Strings{"K", "1", "2", "3"}));
    ASSERT_TRUE(switcher().bar && switcher().bar->isVisible());
    // 30 per slot plus margins, buttons and grip; top centre of the visible area, 6 below it.
    EXPECT_EQ(switcher().bar->frame(), (Rect{720 - 111, 25 + 6, 222, 34}));
    EXPECT_EQ(switcher().bar->view->labels, (std::vector<QString>{"K", "1", "2", "3"}));
    EXPECT_EQ(badge(1000), "K");
    EXPECT_EQ(badge(1003), "3");
    EXPECT_EQ(switcher().currentChats(), (Strings{"채팅 1", "채팅 2", "채팅 3"}));

    // Only the first window titled "카카오톡" is the main window, wherever it was first seen.
    sim.window(1002).title = "카카오톡";
    step();
    EXPECT_EQ(switcher().switchList, (IDs{1002, 1001, 1003, 1000}));
    EXPECT_EQ(switcher().currentChats(), (Strings{"채팅 1", "채팅 3", "카카오톡"}));
    // Without one the chats count from 1, and the bar shrinks about its centre.
    sim.window(1002).title = "채팅 2";
    sim.closeWindow(1000);
    step();
    EXPECT_FALSE(switcher().hasMain);
    EXPECT_EQ(labels(), (Strings{"1", "2", "3"}));
    EXPECT_EQ(switcher().bar->frame(), (Rect{720 - 96, 25 + 6, 192, 34}));
}

TEST_F(SwitcherTest, PositionsFollowWindowsOpeningAndClosingAndUserLabelsWinOverNumbers) {
    step();
    sim.window(1001).minimized = true;  // minimized chats keep their slot
    sim.closeWindow(1002);
    sim.addWindow({.number = 1004,
                   .pid = sim::kMessengerPid,
                   .title = "새 채팅",
                   .frame = {500, 100, 300, 300}});
    step();
    EXPECT_EQ(switcher().switchList, (IDs{1000, 1001, 1003, 1004}));
    EXPECT_EQ(badge(1003), "2");  // moved up a place, and its badge with it

    Settings::d().setDictionary(Settings::key::kLabels,
                                {{"카카오톡", "목록"}, {"채팅 1", "팀"}, {"새 채팅", ""}});
    switcher().reloadSettings();
    step();
    EXPECT_EQ(labels(), (Strings{"목록", "팀", "2", "3"}));  // an empty label is none
    EXPECT_EQ(badge(1001), "팀");
    EXPECT_EQ(switcher().label(7), "8");  // past the list: its number
}

TEST_F(SwitcherTest, StoredOrderPlacesEachTitleOnceAndNeverLeavesGaps) {
    const auto order = [&](Strings titles) {
        Settings::d().setStringArray(Settings::key::kOrder, titles);
        switcher().reloadSettings();
        step();
        return switcher().switchList;
    };
    EXPECT_EQ(order({"채팅 3", "없는 채팅", "채팅 2"}), (IDs{1000, 1003, 1002, 1001}));
    // Two chats share a title stored once: the one seen first takes the stored place; stored
    // twice, it places both.
    sim.window(1001).title = "채팅 2";
    EXPECT_EQ(order({"채팅 2"}), (IDs{1000, 1001, 1002, 1003}));
    EXPECT_EQ(order({"채팅 3", "채팅 2", "채팅 2"}), (IDs{1000, 1003, 1001, 1002}));
}

TEST_F(SwitcherTest, TheChatInUseIsActiveAndASteadyTickRepaintsNothing) {
    sim.focus(1002);
    step();
    SwitcherBarView* view = switcher().bar->view;
    EXPECT_EQ(view->active, 2);
    EXPECT_TRUE(cover(1002)->cover->badgeActive());
    EXPECT_FALSE(cover(1001)->cover->badgeActive());
    const int barPaints = view->repaintRequests;
    const int coverPaints = cover(1001)->cover->repaintRequests();
    step();
    step();
    EXPECT_EQ(view->repaintRequests, barPaints);
    EXPECT_EQ(cover(1001)->cover->repaintRequests(), coverPaints);
    // Force-covered, the chat in use is no longer active.
    switcher().pick(2);
    step();
    EXPECT_EQ(view->active, -1);
    EXPECT_FALSE(cover(1002)->cover->badgeActive());
}

TEST_F(SwitcherTest, NoChatsHidesTheBarAndLeavesTheBadges) {
    step();
    switcher().updateSwitcher({}, std::nullopt);
    EXPECT_TRUE(switcher().switchList.empty());
    EXPECT_FALSE(switcher().bar->isVisible());
    EXPECT_EQ(badge(1001), "1");
    step();
    EXPECT_TRUE(switcher().bar->isVisible());
    sim.quitApp(sim::kMessengerPid);  // the messenger quitting hides it too
    tick();
    EXPECT_FALSE(switcher().bar->isVisible());
}

TEST_F(SwitcherTest, PickRevealsAChatOrPutsTheOneInUseBackUnderItsCover) {
    step();
    switcher().pick(9);
    switcher().pick(-1);
    EXPECT_FALSE(logged("PICK i=9 '?'"));
    switcher().pick(1);
    EXPECT_TRUE(logged("PICK i=1 '채팅 1'"));
    EXPECT_TRUE(logged("REVEAL id=1001 '채팅 1'"));
    step();
    EXPECT_FALSE(covered(1001));

    sim.focus(1002);
    step();
    ASSERT_EQ(tracker().chatInUse(), 1002u);
    switcher().pick(2);
    EXPECT_TRUE(tracker().isForceCovered(1002));
    step();
    EXPECT_TRUE(covered(1002));
    switcher().pick(2);  // force-covered now: a second pick reveals it
    EXPECT_FALSE(tracker().isForceCovered(1002));
    step();
    EXPECT_FALSE(covered(1002));

    // A chat never covered is revealed, not force-covered.
    switcher().toggleCover(2);
    step();
    switcher().pick(2);
    EXPECT_FALSE(tracker().isForceCovered(1002));
}

TEST_F(SwitcherTest, ToggleCoverSwitchesCoveringAndStoresIt) {
    sim.focus(1001);
    step();
    switcher().pick(1);  // the chat in use goes under its cover
    frontOther();
    ASSERT_TRUE(tracker().isForceCovered(1001));
    switcher().toggleCover(1);
    EXPECT_FALSE(tracker().isForceCovered(1001));
    EXPECT_EQ(Settings::d().stringArrayForKey(Settings::key::kExcluded), Strings{"채팅 1"});
    step();
    EXPECT_FALSE(covered(1001));
    EXPECT_EQ(switcher().bar->view->coverOff, std::set<int>{1});

    switcher().toggleCover(1);
    EXPECT_EQ(Settings::d().stringArrayForKey(Settings::key::kExcluded), Strings{});
    step();
    EXPECT_TRUE(covered(1001));
    EXPECT_TRUE(switcher().bar->view->coverOff.empty());

    switcher().toggleCover(4);  // past the list
    sim.window(1003).title = "";
    step();
    switcher().toggleCover(3);  // no title: nothing to store it under
    EXPECT_EQ(Settings::d().stringArrayForKey(Settings::key::kExcluded), Strings{});
}

// What the user asks to have covered is covered before control returns to the event loop: no
// tick of the timer is waited for.
TEST_F(SwitcherTest, CoveringTheUserAsksForNeedsNoTimerTick) {
    tracker().start();
    sim.focus(1002);
    step();
    ASSERT_FALSE(covered(1002));
    switcher().pick(2);  // the chat in use goes back under its cover
    EXPECT_TRUE(covered(1002));

    switcher().toggleCover(1);  // covering off, then on again
    EXPECT_FALSE(covered(1001));
    switcher().toggleCover(1);
    EXPECT_TRUE(covered(1001));
    // Also while a pick's grace would still hold the chat revealed.
    switcher().pick(1);
    frontOther();
    switcher().toggleCover(1);
    switcher().toggleCover(1);
    EXPECT_TRUE(covered(1001));

    // The settings window takes a chat off the never-covered list.
    Settings::d().setStringArray(Settings::key::kExcluded, {"채팅 3"});
    switcher().reloadSettings();
    EXPECT_FALSE(covered(1003));
    Settings::d().setStringArray(Settings::key::kExcluded, {});
    switcher().reloadSettings();
    EXPECT_TRUE(covered(1003));
    tracker().stop();
}

TEST_F(SwitcherTest, TheBarsArrangeStacksEveryChatExactlyOntoTheAnchor) {
    step();
    emit switcher().bar->arrangeRequested();  // nothing moved, nothing in use: the main window
    const Rect mainFrame = sim.window(1000).frame;
    for (std::uint32_t id : {1001u, 1002u, 1003u}) {
        EXPECT_EQ(sim.window(id).frame, mainFrame) << id;
    }
    EXPECT_EQ(tracker().lastMovedChat(), 1000u);
    step();  // the stacking is not taken for the user moving windows
    EXPECT_EQ(tracker().lastMovedChat(), 1000u);

    // The window the user moved last anchors.
    sim.window(1002).frame = {600, 300, 500, 400};
    step();
    ASSERT_EQ(tracker().lastMovedChat(), 1002u);
    switcher().arrangeStack();
    EXPECT_EQ(sim.window(1000).frame, (Rect{600, 300, 500, 400}));
    EXPECT_EQ(sim.window(1003).frame, (Rect{600, 300, 500, 400}));

    // The chat in use anchors, and its frame cannot be read; then one window is not enough.
    sim.focus(1001);
    step();
    sim.model().windowsReadable = false;
    sim.clearRecord();
    switcher().arrangeStack();
    sim.model().windowsReadable = true;
    for (std::uint32_t id : {1000u, 1002u, 1003u}) {
        sim.closeWindow(id);
    }
    step();
    switcher().arrangeStack();
    EXPECT_FALSE(recordedStartingWith("frame "));
}

TEST_F(SwitcherTest, TheBarsOtherButtonsReachTheirActions) {
    step();
    SwitcherBar& bar = *switcher().bar;
    QSignalSpy settings(&switcher(), &ChatSwitcher::openSettingsRequested);
    emit bar.settingsRequested();
    EXPECT_EQ(settings.count(), 1);
    emit bar.pickRequested(3);
    EXPECT_TRUE(logged("REVEAL id=1003 '채팅 3'"));
    emit bar.toggleCoverRequested(3);
    EXPECT_TRUE(tracker().isExcluded("채팅 3"));
}
