#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// The window server's description of one window: a loosely typed dictionary, so that the
// program's own parsing decides what a missing or malformed entry means.

namespace platform {

using InfoScalar = std::variant<std::int64_t, double, bool, std::string>;
using InfoBounds = std::map<std::string, InfoScalar>;
using InfoValue = std::variant<std::int64_t, double, bool, std::string, InfoBounds>;

class InfoDict {
  public:
    InfoDict() = default;
    InfoDict(std::initializer_list<std::pair<std::string, InfoValue>> entries)
        : entries_(entries) {}

    void set(std::string key, InfoValue value);
    void erase(const std::string& key);
    const InfoValue* find(const std::string& key) const;

  private:
    // A handful of keys per window: a flat list beats a tree here.
    std::vector<std::pair<std::string, InfoValue>> entries_;
};

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
