#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// The window server's description of one window: a loosely typed dictionary, so that the
// program's own parsing decides what a missing or malformed entry means.

namespace platform {

// A handful of keys per dictionary: a flat list beats a tree here.
template <class Value>
class FlatDict {
  public:
    FlatDict() = default;
    FlatDict(std::initializer_list<std::pair<std::string, Value>> entries) : entries_(entries) {}

    void set(std::string key, Value value) {
        for (auto& [k, v] : entries_) {
            if (k == key) {
                v = std::move(value);
                return;
            }
        }
        entries_.emplace_back(std::move(key), std::move(value));
    }
    void erase(const std::string& key) {
        std::erase_if(entries_, [&](const auto& e) { return e.first == key; });
    }
    const Value* find(const std::string& key) const {
        for (const auto& [k, v] : entries_) {
            if (k == key) {
                return &v;
            }
        }
        return nullptr;
    }

  private:
    std::vector<std::pair<std::string, Value>> entries_;
};

using InfoScalar = std::variant<std::int64_t, double, bool, std::string>;
using InfoBounds = FlatDict<InfoScalar>;
using InfoValue = std::variant<std::int64_t, double, bool, std::string, InfoBounds>;
using InfoDict = FlatDict<InfoValue>;

using WindowInfoList = std::vector<InfoDict>;
// Absent (null) when the window server cannot answer.
using WindowInfoListPtr = std::shared_ptr<const WindowInfoList>;

namespace wininfo {
inline constexpr const char* kNumber = "kCGWindowNumber";
inline constexpr const char* kOwnerPID = "kCGWindowOwnerPID";
inline constexpr const char* kLayer = "kCGWindowLayer";
inline constexpr const char* kBounds = "kCGWindowBounds";
inline constexpr const char* kX = "X";
inline constexpr const char* kY = "Y";
inline constexpr const char* kWidth = "Width";
inline constexpr const char* kHeight = "Height";

// List options.
inline constexpr std::uint32_t kOptionAll = 0;
inline constexpr std::uint32_t kOptionOnScreenOnly = 1;
inline constexpr std::uint32_t kOptionIncludingWindow = 8;
inline constexpr std::uint32_t kOptionExcludeDesktopElements = 16;
}  // namespace wininfo

}  // namespace platform
