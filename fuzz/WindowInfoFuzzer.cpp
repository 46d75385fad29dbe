// The on-screen list as the window server hands it over: dictionaries with any keys, any value
// types and malformed bounds, read by discovery through the simulated desktop.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "FuzzSupport.h"
#include "discovery/OnScreen.h"
#include "platform/Platform.h"
#include "platform/WindowInfo.h"
#include "sim/SimDesktop.h"

using namespace platform;

namespace {

sim::SimDesktop* desktop = nullptr;

const char* const kKeys[] = {wininfo::kNumber, wininfo::kOwnerPID, wininfo::kLayer,
                             wininfo::kBounds};
const char* const kBoundsKeys[] = {wininfo::kX, wininfo::kY, wininfo::kWidth, wininfo::kHeight};

std::string keyFrom(FuzzedDataProvider& in, const char* const* known, std::size_t count) {
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, count);
    return pick < count ? std::string(known[pick]) : in.ConsumeRandomLengthString(12);
}

// Integers near the limits that matter (32-bit numbers and pids) as often as any other.
std::int64_t integerFrom(FuzzedDataProvider& in) {
    static constexpr std::int64_t kEdges[] = {0,           -1,        1,
                                              INT32_MAX,   INT32_MIN, std::int64_t{UINT32_MAX},
                                              INT64_MAX,   INT64_MIN, std::int64_t{UINT32_MAX} + 1,
                                              -(1LL << 53)};
    if (in.ConsumeBool()) {
        return in.PickValueInArray(kEdges);
    }
    return in.ConsumeIntegral<std::int64_t>();
}

InfoScalar scalarFrom(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return integerFrom(in);
        case 1:
            return in.ConsumeFloatingPoint<double>();  // NaN and infinities included
        case 2:
            return in.ConsumeBool();
        default:
            return in.ConsumeRandomLengthString(8);
    }
}

InfoDict dictFrom(FuzzedDataProvider& in) {
    InfoDict d;
    const int entries = in.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < entries; ++i) {
        std::string key = keyFrom(in, kKeys, std::size(kKeys));
        if (in.ConsumeIntegralInRange(0, 4) == 0) {
            d.erase(key);
            continue;
        }
        if (in.ConsumeBool()) {
            InfoBounds b;
            const int n = in.ConsumeIntegralInRange(0, 5);
            for (int k = 0; k < n; ++k) {
                b.set(keyFrom(in, kBoundsKeys, std::size(kBoundsKeys)), scalarFrom(in));
            }
            d.set(std::move(key), std::move(b));
        } else {
            std::visit([&](auto&& v) { d.set(std::move(key), InfoValue(v)); }, scalarFrom(in));
        }
    }
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    desktop = &sim::SimDesktop::installFresh();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool fails = in.ConsumeIntegralInRange(0, 15) == 0;
    WindowInfoList list;
    const int count = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        list.push_back(dictFrom(in));
    }
    desktop->model().windowListFails = fails;
    desktop->model().windowListFilter = [list](WindowInfoList& out) { out = list; };
    desktop->clearRecord();

    const std::vector<OnScreenWin> windows = Discovery::onScreenWindows();
    const std::unordered_map<std::uint32_t, int> front = Discovery::frontIndexMap();
    if (fails) {
        FUZZ_CHECK(windows.empty() && front.empty());
        return 0;
    }
    FUZZ_CHECK(windows.size() <= list.size());
    FUZZ_CHECK(front.size() <= list.size());

    // Every listed window has a place in the front map, within the list.
    for (const OnScreenWin& w : windows) {
        const auto place = front.find(w.number);
        FUZZ_CHECK(place != front.end());
        FUZZ_CHECK(place->second >= 0 && place->second < static_cast<int>(list.size()));
    }

    // Occlusion never holds for the front-most window nor for one not listed, and takes any
    // bounds, NaN and infinities included.
    const std::int32_t kakao = in.ConsumeIntegral<std::int32_t>();
    for (const OnScreenWin& w : windows) {
        KWindow chat;
        chat.id = w.number;
        chat.frame = w.bounds;
        const bool occluded = Discovery::isOccluded(chat, windows, kakao);
        if (w.number == windows.front().number) {
            FUZZ_CHECK(!occluded);
        }
    }
    KWindow absent;
    absent.id = 0xFFFFFFFF;
    bool listed = false;
    for (const OnScreenWin& w : windows) {
        listed = listed || w.number == absent.id;
    }
    if (!listed) {
        FUZZ_CHECK(!Discovery::isOccluded(absent, windows, kakao));
    }
    return 0;
}
