#include "discovery/AX.h"

#include "platform/Platform.h"

namespace AX {

std::vector<KWindow> windows(std::int32_t pid) {
    std::vector<KWindow> out = platform::current().appWindows().windowsOf(pid);
    // An untitled window is no chat, nor anything a user could pick.
    std::erase_if(out, [](const KWindow& w) { return w.title.empty(); });
    return out;
}

std::optional<std::uint32_t> focusedWindowID(std::int32_t pid) {
    const auto focused = platform::current().appWindows().focusedWindow(pid);
    if (!focused || *focused == 0) {
        return std::nullopt;
    }
    return focused;
}

}  // namespace AX
