// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFixture.h"

#include "discovery/OnScreen.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

using OnScreenTest = SimTest;

// Windows in front of a chat (100, 100, 100 x 100), with a window covering it whole behind it:
// only one ordinary window of a third application in front, covering 90 %, hides it.
TEST_F(OnScreenTest, OcclusionNeedsOneThirdPartyWindowInFrontCoveringNinetyPercent) {
    const std::int32_t kakao = 500;
    const std::int32_t own = sim.model().ownPid;
    const Rect chat{100, 100, 100, 100};
    // The windows in front of the chat, whether they hide it.
    const std::pair<std::vector<OnScreenWin>, bool> rows[] = {
        {{}, false},                                                           // front-most
        {{{2, 700, 0, {100, 110, 100, 100}}}, true},                           // exactly 90 %
        {{{2, 700, 0, {100, 110.5, 100, 100}}}, false},                        // just under
        {{{2, own, 0, chat}, {3, kakao, 0, chat}, {4, 700, 3, chat}}, false},  // never count
        {{{2, 700, 0, {100, 100, 50, 100}}, {3, 701, 0, {150, 100, 50, 100}}}, false},  // halves
    };
    KWindow w;
    w.id = 1;
    w.pid = kakao;
    w.frame = chat;
    for (const auto& [inFront, occluded] : rows) {
        std::vector<OnScreenWin> snapshot = inFront;
        snapshot.push_back({1, kakao, 0, chat});
        snapshot.push_back({9, 700, 0, chat});
        EXPECT_EQ(Discovery::isOccluded(w, snapshot), occluded) << inFront.size();
    }
    w.frame = {100, 100, 0, 100};  // a zero-width chat is never occluded
    EXPECT_FALSE(Discovery::isOccluded(
        w, {{2, 700, 0, {0, 0, 1000, 1000}}, {1, 500, 0, {100, 100, 0, 100}}}));
}
