#include "SimFixture.h"

#include "discovery/OnScreen.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

namespace {

KWindow chatAt(std::uint32_t id, Rect frame) {
    KWindow w;
    w.id = id;
    w.title = "채팅";
    w.frame = frame;
    return w;
}

}  // namespace

using OnScreenTest = SimTest;

TEST_F(OnScreenTest, FrontMapNumbersTheListFrontToBack) {
    const auto map = Discovery::frontIndexMap({{20, 10, 0, {}}, {30, 10, 0, {}}, {40, 10, 3, {}}});
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(map.at(20), 0);
    EXPECT_EQ(map.at(30), 1);
    EXPECT_EQ(map.at(40), 2);
}

TEST_F(OnScreenTest, FailedWindowListGivesNothing) {
    addMessenger(sim, {.chats = 2});
    sim.model().windowListFails = true;
    EXPECT_TRUE(Discovery::onScreenWindows().empty());
}

TEST_F(OnScreenTest, MessengerIsTheFirstRunningInstance) {
    EXPECT_FALSE(Discovery::kakaoApp());
    sim.addApp(600, "com.kakao.KakaoTalkMac", "KakaoTalk");
    sim.addApp(601, "com.kakao.KakaoTalkMac", "KakaoTalk");
    EXPECT_EQ(Discovery::kakaoApp()->pid, 600);
    sim.quitApp(600);
    EXPECT_EQ(Discovery::kakaoApp()->pid, 601);
}

TEST_F(OnScreenTest, OcclusionNeedsOneThirdPartyWindowInFrontCoveringNinetyPercent) {
    const std::int32_t kakao = 500;
    const std::int32_t own = sim.model().ownPid;
    const Rect chat{100, 100, 100, 100};
    const KWindow w = chatAt(1, chat);
    auto snap = [](std::vector<OnScreenWin> v) { return v; };

    // Not on screen, or front-most: never occluded.
    EXPECT_FALSE(Discovery::isOccluded(w, {}, kakao));
    EXPECT_FALSE(Discovery::isOccluded(w, snap({{1, kakao, 0, chat}, {2, 700, 0, chat}}), kakao));

    // 95 % from in front counts; exactly 90 % counts; just under does not.
    EXPECT_TRUE(Discovery::isOccluded(
        w, snap({{2, 700, 0, {100, 105, 100, 100}}, {1, kakao, 0, chat}}), kakao));
    EXPECT_TRUE(Discovery::isOccluded(
        w, snap({{2, 700, 0, {100, 110, 100, 100}}, {1, kakao, 0, chat}}), kakao));
    EXPECT_FALSE(Discovery::isOccluded(
        w, snap({{2, 700, 0, {100, 110.5, 100, 100}}, {1, kakao, 0, chat}}), kakao));

    // The program's own windows, the messenger's and non-ordinary layers never count.
    EXPECT_FALSE(Discovery::isOccluded(
        w, snap({{2, own, 0, chat}, {3, kakao, 0, chat}, {4, 700, 3, chat}, {1, kakao, 0, chat}}),
        kakao));

    // Two windows hiding half each are not one window hiding all.
    EXPECT_FALSE(Discovery::isOccluded(w,
                                       snap({{2, 700, 0, {100, 100, 50, 100}},
                                             {3, 701, 0, {150, 100, 50, 100}},
                                             {1, kakao, 0, chat}}),
                                       kakao));

    // The same covering window behind the chat does not count.
    EXPECT_FALSE(Discovery::isOccluded(
        w, snap({{3, kakao, 0, chat}, {1, kakao, 0, chat}, {2, 700, 0, chat}}), kakao));
}

TEST_F(OnScreenTest, AZeroWidthChatIsNeverOccluded) {
    const KWindow w = chatAt(1, {100, 100, 0, 100});
    EXPECT_FALSE(Discovery::isOccluded(
        w, {{2, 700, 0, {0, 0, 1000, 1000}}, {1, 500, 0, {100, 100, 0, 100}}}, 500));
}

// The whole path on a live desktop: a third application's window raised over a chat hides it.
TEST_F(OnScreenTest, RaisingAnotherApplicationOverAChatOccludesIt) {
    addMessenger(sim, {.chats = 1, .otherWindows = 1});
    sim.window(5000).frame = {400, 50, 500, 600};  // covers chat 1001 at (420, 60, 420, 560)
    const auto chat = AX::windows(kMessengerPid).front();
    EXPECT_FALSE(Discovery::isOccluded(chat, Discovery::onScreenWindows(), kMessengerPid));
    sim.raise(5000);
    EXPECT_TRUE(Discovery::isOccluded(chat, Discovery::onScreenWindows(), kMessengerPid));
}
