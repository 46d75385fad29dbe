#include "sim/SimModel.h"

#include <algorithm>
#include <sstream>

namespace platform::sim {

SimApp* SimModel::app(std::int32_t pid) {
    for (auto& a : apps) {
        if (a.pid == pid && a.running) {
            return &a;
        }
    }
    return nullptr;
}

void SimModel::endApp(std::int32_t pid) {
    if (SimApp* a = app(pid)) {
        a->running = false;
    }
    std::erase_if(windows, [&](const auto& kv) { return kv.second.pid == pid; });
    std::erase_if(stacking, [&](std::uint32_t n) { return !windows.contains(n); });
    if (frontmostPid == pid) {
        frontmostPid.reset();
    }
    ++generation;
}

SimWindow* SimModel::window(std::uint32_t number) {
    auto it = windows.find(number);
    return it == windows.end() ? nullptr : &it->second;
}

std::string describe(const Element& e) {
    switch (e.kind) {
        case Element::Kind::Application:
            return "app " + std::to_string(e.pid);
        case Element::Kind::Window:
            return "window " + std::to_string(e.ref);
        case Element::Kind::Button:
            return "close button of " + std::to_string(e.ref);
        case Element::Kind::None:
            break;
    }
    return "null element";
}

std::string describe(const AXValue& v) {
    std::ostringstream out;
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                out << "nothing";
            } else if constexpr (std::is_same_v<T, std::string>) {
                out << '"' << x << '"';
            } else if constexpr (std::is_same_v<T, bool>) {
                out << (x ? "true" : "false");
            } else if constexpr (std::is_same_v<T, double>) {
                out << x;
            } else if constexpr (std::is_same_v<T, Point>) {
                out << '(' << x.x << ',' << x.y << ')';
            } else if constexpr (std::is_same_v<T, Size>) {
                out << x.width << 'x' << x.height;
            } else if constexpr (std::is_same_v<T, Element>) {
                out << describe(x);
            } else {
                out << x.size() << " elements";
            }
        },
        v);
    return out.str();
}

}  // namespace platform::sim
