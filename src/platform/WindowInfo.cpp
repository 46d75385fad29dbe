#include "platform/WindowInfo.h"

#include <algorithm>

namespace platform {

void InfoDict::set(std::string key, InfoValue value) {
    for (auto& [k, v] : entries_) {
        if (k == key) {
            v = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(value));
}

void InfoDict::erase(const std::string& key) {
    std::erase_if(entries_, [&](const auto& e) { return e.first == key; });
}

const InfoValue* InfoDict::find(const std::string& key) const {
    for (const auto& [k, v] : entries_) {
        if (k == key) {
            return &v;
        }
    }
    return nullptr;
}

}  // namespace platform
