// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSignalSpy>

#include "engine/TrackerFixture.h"

using namespace platform;

// Changes the window server tells of are acted on at once, between the timer's ticks; a storm of
// notices runs one tick, the rest wait for the gap.
TEST_F(TrackerTest, AChangeIsCoveredAtOnceNotAtTheNextTimerTick) {
    frontOther();
    tracker().start();
    tick();
    ASSERT_TRUE(covered(1001));
    sim.focus(1001);  // the user works in chat 1: it opens at once
    sim.announceChange();
    EXPECT_FALSE(covered(1001));
    sim.advance(0.01);
    frontOther();
    sim.announceChange();
    EXPECT_TRUE(covered(1001));
    // A window that is gone by the time the change is handled is simply gone.
    sim.advance(0.01);
    sim.closeWindow(1002);
    sim.announceChange();
    EXPECT_FALSE(cover(1002));

    sim.advance(WindowTracker::kChangeTickGap);
    QSignalSpy ticks(&tracker(), &WindowTracker::chatsChanged);
    for (int i = 0; i < 1000; ++i) {
        sim.window(1001).frame.x += 1;
        sim.announceChange();
    }
    EXPECT_EQ(ticks.count(), 1);
    sim.advance(WindowTracker::kChangeTickGap);
    sim.announceChange();
    EXPECT_EQ(ticks.count(), 2);
}
