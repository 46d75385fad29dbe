#include "discovery/AX.h"

#include "platform/Platform.h"
#include "platform/QtCoords.h"

using platform::AXResult;
using platform::Element;

namespace AX {

namespace {

platform::Accessibility& access() {
    return platform::current().accessibility();
}

// A string attribute, or "" when unreadable or of another type.
std::string readString(const Element& e, const char* attribute) {
    const AXResult r = access().copyAttribute(e, attribute);
    const std::string* s = r.get<std::string>();
    return s ? *s : std::string();
}

// One window's record, or absent when it must be left out. The reads stop at the first skip,
// so an untitled window costs a single read.
std::optional<KWindow> readWindow(const Element& w) {
    KWindow k;
    k.title = readString(w, platform::ax::kTitle);
    if (k.title.empty()) {
        return std::nullopt;
    }
    const auto pos = position(w);
    if (!pos) {
        return std::nullopt;
    }
    const auto sz = size(w);
    if (!sz) {
        return std::nullopt;
    }
    const AXResult minimized = access().copyAttribute(w, platform::ax::kMinimized);
    const bool* isMinimized = minimized.get<bool>();
    k.minimized = isMinimized && *isMinimized;
    k.subrole = readString(w, platform::ax::kSubrole);
    std::uint32_t number = 0;
    access().windowNumber(w, number);  // on failure the number stays 0
    k.element = w;
    k.id = number;
    k.frame = {pos->x, pos->y, sz->width, sz->height};
    return k;
}

template <class T>
std::optional<T> readValue(const Element& e, const char* attribute) {
    const AXResult r = access().copyAttribute(e, attribute);
    const T* v = r.get<T>();
    if (!v) {
        return std::nullopt;
    }
    return *v;
}

}  // namespace

std::vector<KWindow> windows(std::int32_t pid) {
    const Element app = access().applicationElement(pid);
    const AXResult list = access().copyAttribute(app, platform::ax::kWindows);
    const auto* elements = list.get<std::vector<Element>>();
    std::vector<KWindow> out;
    if (!elements) {
        return out;
    }
    out.reserve(elements->size());
    for (const Element& w : *elements) {
        if (auto k = readWindow(w)) {
            out.push_back(std::move(*k));
        }
    }
    return out;
}

std::optional<std::uint32_t> focusedWindowID(std::int32_t pid) {
    const Element app = access().applicationElement(pid);
    const auto focused = readValue<Element>(app, platform::ax::kFocusedWindow);
    if (!focused || focused->isNull()) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    if (access().windowNumber(*focused, number) != platform::AXError::Success || number == 0) {
        return std::nullopt;
    }
    return number;
}

std::optional<platform::Point> position(const Element& element) {
    return readValue<platform::Point>(element, platform::ax::kPosition);
}

std::optional<platform::Size> size(const Element& element) {
    return readValue<platform::Size>(element, platform::ax::kSize);
}

void pressButton(const Element& window, const std::string& attribute) {
    const auto button = readValue<Element>(window, attribute.c_str());
    if (button && !button->isNull()) {
        access().performAction(*button, platform::ax::kPress);
    }
}

}  // namespace AX

platform::Rect axFrameToCocoa(const platform::Rect& r) {
    return QtCoords::flipped(r);
}
