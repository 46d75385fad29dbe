// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMouseEvent>

#include "common/Settings.h"
#include "engine/TrackerFixture.h"

using namespace platform;
using namespace platform::sim;

class RevealTest : public TrackerTest {
  protected:
    void SetUp() override {
        TrackerTest::SetUp();
        frontOther();  // the messenger is not in front: only reveals uncover a chat
        tick();
    }
    // After `s` seconds, with another application in front: is the chat covered?
    bool coveredAfter(std::uint32_t id, double s) {
        sim.advance(s);
        frontOther();
        tick();
        return covered(id);
    }
    // What a reveal asks of the window system to bring the chat forward.
    void expectBroughtForward(std::uint32_t id) {
        EXPECT_TRUE(recorded("activate window " + std::to_string(id)));  // restores a minimized
        EXPECT_TRUE(recorded("raise window " + std::to_string(id)));
        EXPECT_TRUE(recorded("activate 500"));
    }
};

// Focus comes back to the revealed chat when a click on its cover activated this program.
TEST_F(RevealTest, AClickRevealsAtOnceForExactlyTheGrace) {
    cover(1002)->clickedToReveal();
    EXPECT_EQ(cover(1002)->alpha(), 0.0);  // before any tick
    expectBroughtForward(1002);
    EXPECT_TRUE(logged("REVEAL id=1002 '채팅 2'"));
    sim.setFrontmost(sim.model().ownPid);
    sim.clearRecord();
    tick();
    expectBroughtForward(1002);
    // Even if the messenger does not come forward.
    EXPECT_FALSE(coveredAfter(1002, 1.49));
    EXPECT_TRUE(coveredAfter(1002, 0.01));
}

TEST_F(RevealTest, AFileDragHoldsWhileTheButtonIsDownThenSticksUntilAClick) {
    cover(1002)->fileDragStarted();
    sim.model().pressedButtons = mouse::kLeftButton;
    for (int i = 0; i < 10 * 16; ++i) {
        ASSERT_FALSE(coveredAfter(1002, WindowTracker::kTickMilliseconds / 1000.0)) << i;
    }

    sim.clearRecord();
    sim.model().pressedButtons = 0;
    tick();
    expectBroughtForward(1002);
    EXPECT_FALSE(coveredAfter(1002, 30));
    EXPECT_FALSE(cover(1002)->isVisible());  // stays out of the drop's way

    tracker().start();
    sim.mouseDown(MouseButton::Other);  // a middle click does not end it
    tick();
    EXPECT_FALSE(covered(1002));
    sim.mouseDown(MouseButton::Right);
    EXPECT_TRUE(covered(1002));  // at once
}

// A click on one of our own windows ends a sticky reveal once the click has been delivered: the
// tick that follows may take away the very cover that is receiving it.
TEST_F(RevealTest, AClickOnACoverEndsAStickyRevealOnlyAfterTheCoverHasIt) {
    tracker().start();
    cover(1002)->fileDragStarted();  // a file dropped long enough ago: only the sticky reveal holds
    tick();                          // the button is up
    ASSERT_FALSE(coveredAfter(1002, WindowTracker::kFileDragGrace));
    sim.closeWindow(1001);  // the next tick drops its cover
    QWidget* page = cover(1001)->cover;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(40, 60), page->mapToGlobal(QPointF(40, 60)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page, &press);
    QCoreApplication::processEvents();
    EXPECT_EQ(cover(1001), nullptr);
    EXPECT_TRUE(covered(1002));
}

TEST_F(RevealTest, ADragRevealEndsWhenItsWindowGoes) {
    cover(1002)->fileDragStarted();
    sim.model().pressedButtons = mouse::kLeftButton;
    const SimWindow gone = sim.window(1002);
    sim.closeWindow(1002);
    tick();
    sim.addWindow(gone);  // a window that comes later under the same number is not revealed
    EXPECT_TRUE(coveredAfter(1002, WindowTracker::kFileDragGrace));
}

// The global monitor calls straight into the tracker: a tracker that goes without being stopped
// takes its monitor along, and a later click reaches nothing.
TEST_F(TrackerTest, ATrackerGoneWithoutStoppingTakesItsMonitorAlong) {
    tracker().start();
    ASSERT_EQ(sim.model().monitors.size(), 1u);
    tracker_.reset();
    EXPECT_TRUE(sim.model().monitors.empty());
    sim.mouseDown(MouseButton::Left);
}
