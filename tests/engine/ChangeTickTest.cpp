#include <QSignalSpy>

#include "engine/TrackerFixture.h"

using namespace platform;

// Changes the window server tells of are acted on at once, between the timer's ticks.
class ChangeTickTest : public TrackerTest {
  protected:
    int chats() const override { return 3; }
    void SetUp() override {
        TrackerTest::SetUp();
        frontOther();
    }
    // What the user sees of each chat (a minimized or closed chat has no cover on screen:
    // "open" there shows nothing), and the chat moved last.
    std::string picture() {
        std::string out;
        for (std::uint32_t id : {1000u, 1001u, 1002u, 1003u}) {
            out += std::to_string(id) + (covered(id) ? "=covered " : "=open ");
        }
        return out + "moved=" + std::to_string(tracker().lastMovedChat().value_or(0));
    }
};

// A storm of notices runs one tick; the rest wait for the gap.
TEST_F(ChangeTickTest, AChangeIsCoveredAtOnceNotAtTheNextTimerTick) {
    tracker().start();
    tick();
    ASSERT_TRUE(covered(1001));
    sim.focus(1001);  // the user works in chat 1: it opens at once
    sim.announceChange();
    EXPECT_FALSE(covered(1001));
    advance(0.01);
    frontOther();
    sim.announceChange();
    EXPECT_TRUE(covered(1001));
    // A window that is gone by the time the change is handled is simply gone.
    advance(0.01);
    sim.closeWindow(1002);
    sim.announceChange();
    EXPECT_FALSE(cover(1002));

    advance(WindowTracker::kChangeTickGap);
    QSignalSpy ticks(&tracker(), &WindowTracker::chatsChanged);
    for (int i = 0; i < 1000; ++i) {
        sim.window(1001).frame.x += 1;
        sim.announceChange();
    }
    EXPECT_EQ(ticks.count(), 1);
    advance(WindowTracker::kChangeTickGap);
    sim.announceChange();
    EXPECT_EQ(ticks.count(), 2);
}

// The same user actions, told of or not: after every timer tick the screen is the same. Only
// the moments in between differ.
TEST_F(ChangeTickTest, TellingOfChangesLeavesTheTimersDecisionsAsTheyWere) {
    const auto run = [this](bool told) {
        tracker_.reset();
        for (std::uint32_t id : {1001u, 1002u, 1003u}) {
            sim.raise(id - 1);  // the same stacking and places in every run
            sim.window(id).frame = {420.0 + (id - 1001) * 180, 60, 420, 560};
        }
        sim.focus(1003);
        frontOther();
        tracker().start();
        std::vector<std::string> pictures;
        // Each change comes in two halves, 20 ms apart, within one timer interval.
        const auto step = [&](const std::function<void()>& change) {
            for (const double wait : {0.02, 0.04}) {
                change();
                if (told) {
                    sim.announceChange();
                }
                advance(wait);
            }
            tick();
            pictures.push_back(picture());
        };
        step([] {});
        // A chat dragged 3 points at a time: moving counts over the timer's interval (6 points
        // here), not over the moments between notices.
        for (int i = 0; i < 4; ++i) {
            step([&] { sim.window(1002).frame.x += 3; });
        }
        step([&] { sim.focus(1001); });
        step([&] { frontOther(); });
        return pictures;
    };
    const auto quiet = run(false);
    const auto told = run(true);
    EXPECT_EQ(told, quiet);
}
