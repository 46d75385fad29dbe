// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include <QCoreApplication>
#include <QEvent>

#include "SimFixture.h"
#include "common/Settings.h"
#include "cover/CoverWindow.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

class CoverWindowTest : public SimTest {
  protected:
    CoverWindowTest() {
        addMessenger(sim, {.chats = 1, .focusFirstChat = false});
        target = AX::windows(kMessengerPid).front();  // chat 1001 at (420, 60, 420, 560)
    }
    KWindow at(Rect frame) const {
        KWindow w = target;
        w.frame = frame;
        return w;
    }
    KWindow target;
};

// The page takes clicks even where a window in front cuts a hole into it; only the hole, left
// out of the window's shape, lets them through. Uncovered, the cover is transparent and
// click-through but keeps what its view shows. A cover's pixels cost four bytes each: however
// large its chat grows, a cover spans only what the screens can show of it.
TEST_F(CoverWindowTest, ACoverTakesClicksOnItsPageShapesItsHolesAwayAndSpansOnlyTheScreens) {
    CoverWindow c(target);
    c.sync(target, DisguiseMode::memo, true, {{800, 100, 100, 100}});  // its top-right corner
    EXPECT_FALSE(c.ignoresMouseEvents());
    // In the view's own coordinates, whose origin is its bottom-left corner.
    EXPECT_EQ(c.cover->holes(), (std::vector<Rect>{{380, 420, 100, 100}}));
    // The hole spans x 380..420, y 40..140 of the cover.
    EXPECT_FALSE(c.mask().contains(QPoint{400, 100}));
    EXPECT_TRUE(c.mask().contains(QPoint{200, 300}));
    EXPECT_TRUE(c.mask().contains(QPoint{400, 200}));

    c.sync(target, DisguiseMode::wallpaper, false, {});
    EXPECT_EQ(c.alpha(), 0.0);
    EXPECT_TRUE(c.ignoresMouseEvents());
    EXPECT_EQ(c.cover->mode(), DisguiseMode::memo);

    c.sync(at({-5000, -5000, 20000, 20000}), DisguiseMode::memo, true, {});
    EXPECT_EQ(c.frame(), Rect(-18, -18, 1440 + 36, 900 + 36));
    // On screen from its top-left corner on.
    c.sync(at({420, 60, 20000, 20000}), DisguiseMode::wallpaper, true, {});
    EXPECT_EQ(c.frame(), Rect(420 - 18, 60 - 18, 1440 - 420 + 36, 900 - 60 + 36));
    c.sync(at({30000, 30000, 400, 400}), DisguiseMode::memo, true, {});  // off every screen
    EXPECT_LE(c.frame().area(), 1.0);
}

// A notepad page moved whole looks the same; the desktop picture beneath it does not.
TEST_F(CoverWindowTest, APageIsRepaintedOnlyWhenWhatItShowsChanged) {
    CoverWindow c(target);
    c.sync(target, DisguiseMode::memo, true, {});
    const int first = c.cover->repaintRequests();
    for (int i = 0; i < 10; ++i) {
        c.sync(target, DisguiseMode::memo, true, {});
    }
    c.cover->setHovering(true);  // memo covers look the same under the mouse
    c.sync(at({460, 85, 420, 560}), DisguiseMode::memo, true, {});  // moved
    EXPECT_EQ(c.cover->repaintRequests(), first);
    c.sync(at({460, 85, 420, 560}), DisguiseMode::memo, true, {{500, 300, 10, 10}});
    EXPECT_EQ(c.cover->repaintRequests(), first + 1);
    c.sync(at({460, 85, 450, 560}), DisguiseMode::memo, true, {});  // grown
    EXPECT_EQ(c.cover->repaintRequests(), first + 2);
    c.cover->setHovering(false);

    c.sync(at({460, 85, 450, 560}), DisguiseMode::wallpaper, true, {});
    const int picture = c.cover->repaintRequests();
    c.sync(at({460, 85, 420, 560}), DisguiseMode::wallpaper, true, {});  // resized
    c.sync(at({470, 85, 420, 560}), DisguiseMode::wallpaper, true, {});  // moved
    EXPECT_EQ(c.cover->repaintRequests(), picture + 2);
}

// A chat whose place cannot be read is not thrown to the corner; losing activation ends editing.
TEST_F(CoverWindowTest, AnUnreadablePlaceEndsADragInPlaceAndDeactivationEndsEditing) {
    CoverWindow c(target);
    sim.model().windowsReadable = false;
    sim.model().mouse = {10, 10};
    c.beginDrag();
    sim.model().windowsReadable = true;
    sim.model().mouse = {15, 5};
    c.endDrag();
    EXPECT_EQ(sim.window(1001).frame, Rect(420, 60, 420, 560));

    c.isEditing = true;
    c.cover->setEditing(true);
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&c, &deactivate);
    EXPECT_FALSE(c.isEditing);
    EXPECT_FALSE(c.cover->isEditing());
}

// Stacked with its chat (a Wayland session), a cover is a window the manager stacks: kept
// directly above its chat from before it first shows and again each time it shows, never on the
// floating level, and taken down rather than shaped away when the chat must be seen.
TEST_F(CoverWindowTest, StackedWithItsChatACoverIsKeptAboveItAndTakenDownToReveal) {
    sim.model().coverStacking = CoverStacking::aboveChat;
    CoverWindow c(target);
    EXPECT_FALSE(c.windowFlags() & Qt::BypassWindowManagerHint);
    c.sync(target, DisguiseMode::memo, true, {});
    ASSERT_TRUE(c.isVisible());
    const std::string stacked = "stack " + std::to_string(c.winId()) + " above 1001";
    EXPECT_EQ(std::count(sim.record().begin(), sim.record().end(), stacked), 2);
    EXPECT_TRUE(sim.model().floating.empty());

    c.sync(target, DisguiseMode::memo, false, {});
    EXPECT_FALSE(c.isVisible());
    EXPECT_EQ(c.alpha(), 0.0);
    sim.clearRecord();
    c.sync(target, DisguiseMode::memo, true, {});
    EXPECT_TRUE(c.isVisible());
    EXPECT_TRUE(recorded(stacked));
}
