#include "sim/SimAccessibility.h"

#include <algorithm>

namespace platform::sim {

namespace {
AXResult success(AXValue v) {
    return {AXError::Success, std::move(v)};
}
AXResult failure(AXError e) {
    return {e, {}};
}
}  // namespace

bool SimAccessibility::isTrusted(bool prompt) {
    if (prompt && !m_.trusted) {
        m_.note("accessibility prompt");
    }
    return m_.trusted;
}

Element SimAccessibility::applicationElement(std::int32_t pid) {
    return {Element::Kind::Application, pid, 0};
}

SimWindow* SimAccessibility::liveWindow(const Element& e) {
    SimWindow* w = m_.window(static_cast<std::uint32_t>(e.ref));
    return (w && w->pid == e.pid && m_.app(e.pid)) ? w : nullptr;
}

AXResult SimAccessibility::copyAttribute(const Element& element, const std::string& attribute) {
    if (!m_.trusted) {
        return failure(AXError::APIDisabled);
    }
    if (!m_.attributeOverrides.empty()) {
        auto forced = m_.attributeOverrides.find(
            {static_cast<int>(element.kind), element.pid, element.ref, attribute});
        if (forced != m_.attributeOverrides.end()) {
            return forced->second;
        }
    }
    switch (element.kind) {
        case Element::Kind::Application:
            if (const SimApp* app = m_.app(element.pid)) {
                return readApplication(*app, attribute);
            }
            return failure(AXError::InvalidElement);
        case Element::Kind::Window:
            if (const SimWindow* w = liveWindow(element)) {
                return readWindow(*w, attribute);
            }
            return failure(AXError::InvalidElement);
        case Element::Kind::Button:
        case Element::Kind::None:
            break;
    }
    return failure(AXError::AttributeUnsupported);
}

AXResult SimAccessibility::readApplication(const SimApp& app, const std::string& attribute) {
    if (attribute == ax::kWindows) {
        std::vector<Element> list;
        for (std::uint32_t n : m_.stacking) {
            const SimWindow* w = m_.window(n);
            if (w && w->pid == app.pid && !w->desktop) {
                list.push_back({Element::Kind::Window, app.pid, n});
            }
        }
        return success(std::move(list));
    }
    if (attribute == ax::kFocusedWindow) {
        if (!app.focusedWindow || !m_.window(*app.focusedWindow)) {
            return failure(AXError::NoValue);
        }
        return success(Element{Element::Kind::Window, app.pid, *app.focusedWindow});
    }
    if (attribute == ax::kFrontmost) {
        return success(m_.frontmostPid == app.pid);
    }
    if (attribute == ax::kTitle) {
        return success(app.name);
    }
    return failure(AXError::AttributeUnsupported);
}

AXResult SimAccessibility::readWindow(const SimWindow& w, const std::string& attribute) {
    if (attribute == ax::kTitle) {
        return success(w.title);
    }
    if (attribute == ax::kPosition) {
        return success(Point{w.frame.x, w.frame.y});
    }
    if (attribute == ax::kSize) {
        return success(Size{w.frame.width, w.frame.height});
    }
    if (attribute == ax::kMinimized) {
        return success(w.minimized);
    }
    if (attribute == ax::kSubrole) {
        return w.subrole.empty() ? failure(AXError::NoValue) : success(w.subrole);
    }
    if (attribute == ax::kCloseButton) {
        if (!w.hasCloseButton) {
            return failure(AXError::NoValue);
        }
        return success(Element{Element::Kind::Button, w.pid, w.number});
    }
    if (attribute == ax::kMain) {
        const SimApp* app = m_.app(w.pid);
        return success(app && app->focusedWindow == w.number);
    }
    return failure(AXError::AttributeUnsupported);
}

AXError SimAccessibility::setAttribute(const Element& element, const std::string& attribute,
                                       const AXValue& value) {
    m_.note("set " + describe(element) + " " + attribute + "=" + describe(value));
    if (!m_.trusted) {
        return AXError::APIDisabled;
    }
    if (element.kind == Element::Kind::Application) {
        const bool* on = std::get_if<bool>(&value);
        if (attribute != ax::kFrontmost || !on) {
            return AXError::IllegalArgument;
        }
        if (!m_.app(element.pid)) {
            return AXError::InvalidElement;
        }
        if (*on) {
            m_.frontmostPid = element.pid;
        }
        ++m_.generation;
        return AXError::Success;
    }
    SimWindow* w = element.kind == Element::Kind::Window ? liveWindow(element) : nullptr;
    if (!w) {
        return AXError::InvalidElement;
    }
    const AXError result = writeWindow(*w, attribute, value);
    ++m_.generation;
    return result;
}

AXError SimAccessibility::writeWindow(SimWindow& w, const std::string& attribute,
                                      const AXValue& value) {
    if (attribute == ax::kPosition) {
        const Point* p = std::get_if<Point>(&value);
        if (!p) {
            return AXError::IllegalArgument;
        }
        w.frame.x = p->x;
        w.frame.y = p->y;
        return AXError::Success;
    }
    if (attribute == ax::kSize) {
        const Size* s = std::get_if<Size>(&value);
        if (!s) {
            return AXError::IllegalArgument;
        }
        w.frame.width = s->width;
        w.frame.height = s->height;
        return AXError::Success;
    }
    const bool* on = std::get_if<bool>(&value);
    if (!on) {
        return AXError::IllegalArgument;
    }
    if (attribute == ax::kMinimized) {
        w.minimized = *on;
        return AXError::Success;
    }
    if (attribute == ax::kMain) {
        if (*on) {
            m_.app(w.pid)->focusedWindow = w.number;
        }
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

AXError SimAccessibility::performAction(const Element& element, const std::string& action) {
    m_.note("perform " + describe(element) + " " + action);
    if (!m_.trusted) {
        return AXError::APIDisabled;
    }
    if (element.kind == Element::Kind::Window && action == ax::kRaise) {
        SimWindow* w = liveWindow(element);
        if (!w) {
            return AXError::InvalidElement;
        }
        if (m_.raisesRefused) {
            return AXError::Success;
        }
        std::erase(m_.stacking, w->number);
        m_.stacking.insert(m_.stacking.begin(), w->number);
        ++m_.generation;
        return AXError::Success;
    }
    if (element.kind == Element::Kind::Button && action == ax::kPress) {
        SimWindow* w = liveWindow(element);
        if (!w || !w->hasCloseButton) {
            return AXError::InvalidElement;
        }
        const std::uint32_t number = w->number;
        m_.windows.erase(number);
        std::erase(m_.stacking, number);
        ++m_.generation;
        return AXError::Success;
    }
    return AXError::ActionUnsupported;
}

AXError SimAccessibility::windowNumber(const Element& window, std::uint32_t& number) {
    if (!m_.trusted) {
        return AXError::APIDisabled;
    }
    const SimWindow* w = window.kind == Element::Kind::Window ? liveWindow(window) : nullptr;
    if (!w || !w->numberAvailable) {
        return AXError::Failure;
    }
    number = w->number;
    return AXError::Success;
}

}  // namespace platform::sim
