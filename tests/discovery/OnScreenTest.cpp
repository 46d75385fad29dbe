#include "SimFixture.h"

#include "discovery/OnScreen.h"
#include "platform/Platform.h"

using namespace platform;
using namespace platform::sim;

namespace {

InfoDict entry(std::int64_t number, std::int64_t pid, Rect b, std::int64_t layer = 0) {
    return InfoDict{{wininfo::kNumber, number},
                    {wininfo::kOwnerPID, pid},
                    {wininfo::kLayer, layer},
                    {wininfo::kBounds, InfoBounds{{wininfo::kX, b.x},
                                                  {wininfo::kY, b.y},
                                                  {wininfo::kWidth, b.width},
                                                  {wininfo::kHeight, b.height}}}};
}

KWindow chatAt(std::uint32_t id, Rect frame) {
    KWindow w;
    w.id = id;
    w.title = "채팅";
    w.frame = frame;
    return w;
}

}  // namespace

class OnScreenTest : public SimTest {
  protected:
    // Replaces whatever the window server would list.
    void serve(const WindowInfoList& list) {
        sim.model().windowListFilter = [list](WindowInfoList& out) { out = list; };
    }
};

TEST_F(OnScreenTest, MalformedEntriesAreSkippedOrDefaulted) {
    InfoDict noLayer = entry(3, 10, {1, 2, 3, 4});
    noLayer.erase(wininfo::kLayer);
    InfoDict noHeight = entry(4, 10, {1, 2, 3, 4});
    noHeight.set(wininfo::kBounds,
                 InfoBounds{{wininfo::kX, 1.0}, {wininfo::kY, 2.0}, {wininfo::kWidth, 3.0}});
    InfoDict integerBounds = entry(5, 10, {});
    integerBounds.set(wininfo::kBounds, InfoBounds{{wininfo::kX, std::int64_t{1}},
                                                   {wininfo::kY, std::int64_t{2}},
                                                   {wininfo::kWidth, std::int64_t{3}},
                                                   {wininfo::kHeight, std::int64_t{4}}});
    InfoDict stringWidth = entry(6, 10, {1, 2, 3, 4});
    stringWidth.set(wininfo::kBounds, InfoBounds{{wininfo::kX, 1.0},
                                                 {wininfo::kY, 2.0},
                                                 {wininfo::kWidth, std::string("3")},
                                                 {wininfo::kHeight, 4.0}});
    InfoDict textLayer = entry(7, 10, {1, 2, 3, 4});
    textLayer.set(wininfo::kLayer, std::string("25"));
    InfoDict noPid = entry(8, 10, {});
    noPid.erase(wininfo::kOwnerPID);
    InfoDict fractionalNumber = entry(9, 10, {});
    fractionalNumber.set(wininfo::kNumber, 9.0);

    serve({InfoDict{}, noLayer, noHeight, integerBounds, stringWidth, textLayer, noPid,
           fractionalNumber, entry(4294967296LL, 10, {}), entry(-1, 10, {}),
           entry(10, 2147483648LL, {}), entry(11, -2147483648LL, {}), entry(4294967295LL, 10, {})});

    const auto wins = Discovery::onScreenWindows();
    std::vector<std::uint32_t> numbers;
    for (const auto& w : wins) {
        numbers.push_back(w.number);
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{3, 4, 5, 6, 7, 11, 4294967295u}));
    EXPECT_EQ(wins[0].layer, 0);
    EXPECT_EQ(wins[0].bounds, Rect(1, 2, 3, 4));
    EXPECT_EQ(wins[1].bounds, Rect(0, 0, 0, 0));  // no partial rectangle
    EXPECT_EQ(wins[2].bounds, Rect(1, 2, 3, 4));
    EXPECT_EQ(wins[3].bounds, Rect(0, 0, 0, 0));
    EXPECT_EQ(wins[4].layer, 0);
    EXPECT_EQ(wins[5].pid, -2147483648);
}

TEST_F(OnScreenTest, FrontMapCountsEveryEntryAndKeepsTheLastDuplicate) {
    InfoDict unnamed = entry(1, 10, {});
    unnamed.erase(wininfo::kNumber);
    serve({unnamed, entry(20, 10, {}), entry(30, 10, {}), entry(20, 11, {}),
           entry(4294967296LL, 10, {}), entry(40, 10, {})});
    const auto map = Discovery::frontIndexMap();
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(map.at(20), 3);
    EXPECT_EQ(map.at(30), 2);
    EXPECT_EQ(map.at(40), 5);
}

TEST_F(OnScreenTest, FailedWindowListGivesNothing) {
    addMessenger(sim, {.chats = 2});
    sim.model().windowListFails = true;
    EXPECT_TRUE(Discovery::onScreenWindows().empty());
    EXPECT_TRUE(Discovery::frontIndexMap().empty());
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
