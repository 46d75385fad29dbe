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
    const struct {
        std::vector<OnScreenWin> inFront;
        bool occluded;
    } rows[] = {
        {{}, false},                                                           // front-most
        {{{2, 700, 0, {100, 105, 100, 100}}}, true},                           // 95 %
        {{{2, 700, 0, {100, 110, 100, 100}}}, true},                           // exactly 90 %
        {{{2, 700, 0, {100, 110.5, 100, 100}}}, false},                        // just under
        {{{2, own, 0, chat}, {3, kakao, 0, chat}, {4, 700, 3, chat}}, false},  // never count
        {{{2, 700, 0, {100, 100, 50, 100}}, {3, 701, 0, {150, 100, 50, 100}}}, false},  // halves
    };
    KWindow w;
    w.id = 1;
    w.frame = chat;
    for (const auto& [inFront, occluded] : rows) {
        std::vector<OnScreenWin> snapshot = inFront;
        snapshot.push_back({1, kakao, 0, chat});
        snapshot.push_back({9, 700, 0, chat});
        EXPECT_EQ(Discovery::isOccluded(w, snapshot, kakao), occluded) << inFront.size();
    }
    EXPECT_FALSE(Discovery::isOccluded(w, {}, kakao));  // not on screen
    w.frame = {100, 100, 0, 100};                       // a zero-width chat is never occluded
    EXPECT_FALSE(Discovery::isOccluded(
        w, {{2, 700, 0, {0, 0, 1000, 1000}}, {1, 500, 0, {100, 100, 0, 100}}}, 500));
}

// The whole path on a live desktop: a third application's window raised over a chat hides it.
TEST_F(OnScreenTest, RaisingAnotherApplicationOverAChatOccludesIt) {
    EXPECT_FALSE(Discovery::kakaoApp());
    addMessenger(sim, {.chats = 1, .otherWindows = 1});
    sim.addApp(601, kMessengerIdentifier, "KakaoTalk");
    EXPECT_EQ(Discovery::kakaoApp()->pid, kMessengerPid);  // the first running instance
    sim.window(5000).frame = {400, 50, 500, 600};  // covers chat 1001 at (420, 60, 420, 560)
    const auto chat = AX::windows(kMessengerPid).front();
    EXPECT_FALSE(Discovery::isOccluded(chat, Discovery::onScreenWindows(), kMessengerPid));
    sim.raise(5000);
    const auto onScreen = Discovery::onScreenWindows();
    EXPECT_TRUE(Discovery::isOccluded(chat, onScreen, kMessengerPid));
    EXPECT_EQ(Discovery::frontIndexMap(onScreen).at(5000), 0);
    EXPECT_EQ(Discovery::frontIndexMap(onScreen).at(1001), 1);
    sim.model().windowListFails = true;
    EXPECT_TRUE(Discovery::onScreenWindows().empty());
    sim.quitApp(kMessengerPid);
    EXPECT_EQ(Discovery::kakaoApp()->pid, 601);
}
