#include "sim/SimWindowServer.h"

#include <algorithm>

namespace platform::sim {

namespace {
InfoDict describeWindow(const SimWindow& w) {
    return InfoDict{
        {wininfo::kNumber, std::int64_t{w.number}},
        {wininfo::kOwnerPID, std::int64_t{w.pid}},
        {wininfo::kLayer, w.layer},
        {wininfo::kBounds, InfoBounds{{wininfo::kX, w.frame.x},
                                      {wininfo::kY, w.frame.y},
                                      {wininfo::kWidth, w.frame.width},
                                      {wininfo::kHeight, w.frame.height}}},
    };
}
}  // namespace

WindowInfoListPtr SimWindowServer::windowList(std::uint32_t options, std::uint32_t relativeTo) {
    if (m_.windowListFails) {
        return nullptr;
    }
    if (!cache_.list || cache_.generation != m_.generation || cache_.options != options ||
        cache_.relativeTo != relativeTo) {
        cache_ = {m_.generation, options, relativeTo, build(options, relativeTo)};
    }
    return cache_.list;
}

WindowInfoListPtr SimWindowServer::build(std::uint32_t options, std::uint32_t relativeTo) const {
    // Higher layers are in front of lower ones; within a layer the stacking order holds.
    std::vector<const SimWindow*> ordered;
    for (std::uint32_t n : m_.stacking) {
        auto it = m_.windows.find(n);
        if (it != m_.windows.end()) {
            ordered.push_back(&it->second);
        }
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const SimWindow* a, const SimWindow* b) { return a->layer > b->layer; });

    auto list = std::make_shared<WindowInfoList>();
    for (const SimWindow* w : ordered) {
        const bool running = std::any_of(m_.apps.begin(), m_.apps.end(), [&](const SimApp& a) {
            return a.pid == w->pid && a.running;
        });
        const bool ownWindow = w->pid == m_.ownPid;
        if (!running && !ownWindow) {
            continue;
        }
        if ((options & wininfo::kOptionOnScreenOnly) && (!w->onScreen || w->minimized)) {
            continue;
        }
        if ((options & wininfo::kOptionExcludeDesktopElements) && w->desktop) {
            continue;
        }
        if ((options & wininfo::kOptionIncludingWindow) && w->number != relativeTo) {
            continue;
        }
        list->push_back(describeWindow(*w));
    }
    if (m_.windowListFilter) {
        m_.windowListFilter(*list);
    }
    return list;
}

std::optional<QImage> SimWindowServer::windowImage(std::uint32_t number) {
    auto it = m_.windows.find(number);
    if (it == m_.windows.end() || !it->second.image || !m_.screenCaptureAllowed) {
        return std::nullopt;
    }
    return it->second.image;
}

}  // namespace platform::sim
