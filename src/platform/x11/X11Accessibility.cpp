#include "platform/x11/X11Accessibility.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/Xcb.h"

namespace platform::x11 {

namespace {

AXResult success(AXValue v) {
    return {AXError::Success, std::move(v)};
}
AXResult failure(AXError e) {
    return {e, {}};
}

bool has(const std::vector<xcb_atom_t>& list, xcb_atom_t atom) {
    return std::find(list.begin(), list.end(), atom) != list.end();
}

// EWMH source indication for requests from pagers and other tools acting for the user.
constexpr std::uint32_t kSourcePager = 2;
constexpr std::uint32_t kIconicState = 3;

}  // namespace

// Windows can be read whenever the display can: with no window manager the mapped windows on
// the root are read as they are, so chats stay covered while a manager restarts or is missing.
bool X11Accessibility::isTrusted(bool) {
    return s_.connection() != nullptr;
}

Element X11Accessibility::applicationElement(std::int32_t pid) {
    return {Element::Kind::Application, pid, 0};
}

std::vector<const Client*> X11Accessibility::clientsOf(const Snapshot& s, std::int32_t pid) {
    std::vector<const Client*> out;
    for (auto it = s.clients.rbegin(); it != s.clients.rend(); ++it) {
        if (it->pid == pid) {
            out.push_back(&*it);
        }
    }
    return out;
}

AXResult X11Accessibility::copyAttribute(const Element& element, const std::string& attribute) {
    if (!isTrusted(false)) {
        return failure(AXError::APIDisabled);
    }
    if (element.kind == Element::Kind::Application) {
        return readApplication(element.pid, attribute);
    }
    if (element.kind != Element::Kind::Window) {
        return failure(AXError::AttributeUnsupported);
    }
    const Client* c = s_.snapshot().client(static_cast<xcb_window_t>(element.ref));
    if (!c || c->pid != element.pid) {
        return failure(AXError::InvalidElement);
    }
    return readWindow(*c, attribute);
}

AXResult X11Accessibility::readApplication(std::int32_t pid, const std::string& attribute) {
    const Snapshot& s = s_.snapshot();
    const auto clients = clientsOf(s, pid);
    if (attribute == ax::kWindows) {
        std::vector<Element> list;
        for (const Client* c : clients) {
            list.push_back({Element::Kind::Window, pid, c->id});
        }
        return success(std::move(list));
    }
    if (attribute == ax::kFocusedWindow) {
        // The active window when it is the application's, else its most recently raised one.
        const Client* active = s.client(s.active);
        const Client* focused = active && active->pid == pid ? active
                                : clients.empty()            ? nullptr
                                                             : clients.front();
        if (!focused) {
            return failure(AXError::NoValue);
        }
        return success(Element{Element::Kind::Window, pid, focused->id});
    }
    if (attribute == ax::kFrontmost) {
        const Client* active = s.client(s.active);
        return success(active && active->pid == pid);
    }
    return failure(AXError::AttributeUnsupported);
}

std::string X11Accessibility::subroleOf(const Client& c) const {
    const Atoms& a = s_.atoms();
    if (c.types.empty()) {
        return c.transient ? ax::kDialog : ax::kStandardWindow;
    }
    const xcb_atom_t t = c.types.front();
    if (t == a.typeNormal) {
        return ax::kStandardWindow;
    }
    if (t == a.typeDialog) {
        return ax::kDialog;
    }
    if (t == a.typeUtility) {
        return "AXFloatingWindow";
    }
    return "AXUnknown";
}

AXResult X11Accessibility::readWindow(const Client& c, const std::string& attribute) {
    if (attribute == ax::kTitle) {
        return success(c.title);
    }
    const Rect frame = s_.toAccessibility(c.frame);
    if (attribute == ax::kPosition) {
        return success(Point{frame.x, frame.y});
    }
    if (attribute == ax::kSize) {
        return success(Size{frame.width, frame.height});
    }
    if (attribute == ax::kMinimized) {
        return success(has(c.states, s_.atoms().stateHidden));
    }
    if (attribute == ax::kSubrole) {
        return success(subroleOf(c));
    }
    if (attribute == ax::kCloseButton) {
        return success(Element{Element::Kind::Button, c.pid, c.id});
    }
    if (attribute == ax::kMain) {
        const xcb_window_t id = c.id;  // a fresh poll replaces the client `c` lives in
        return success(s_.snapshot().active == id);
    }
    return failure(AXError::AttributeUnsupported);
}

AXError X11Accessibility::setAttribute(const Element& element, const std::string& attribute,
                                       const AXValue& value) {
    if (!isTrusted(false)) {
        return AXError::APIDisabled;
    }
    const Snapshot& s = s_.snapshot();
    if (element.kind == Element::Kind::Application) {
        const bool* on = std::get_if<bool>(&value);
        if (attribute != ax::kFrontmost || !on) {
            return AXError::IllegalArgument;
        }
        const auto clients = clientsOf(s, element.pid);
        if (clients.empty()) {
            return AXError::InvalidElement;
        }
        if (*on) {
            activateWindow(clients.front()->id);
        }
        return AXError::Success;
    }
    const Client* c = element.kind == Element::Kind::Window
                          ? s.client(static_cast<xcb_window_t>(element.ref))
                          : nullptr;
    if (!c || c->pid != element.pid) {
        return AXError::InvalidElement;
    }
    const Client copy = *c;  // the write invalidates the snapshot
    const AXError result = writeWindow(copy, attribute, value);
    s_.invalidate();
    xcb_flush(s_.connection());
    return result;
}

AXError X11Accessibility::writeWindow(const Client& c, const std::string& attribute,
                                      const AXValue& value) {
    xcb_connection_t* conn = s_.connection();
    const Atoms& a = s_.atoms();
    if (attribute == ax::kPosition || attribute == ax::kSize) {
        const Point* p = std::get_if<Point>(&value);
        const Size* z = std::get_if<Size>(&value);
        if ((attribute == ax::kPosition && !p) || (attribute == ax::kSize && !z)) {
            return AXError::IllegalArgument;
        }
        // Gravity NorthWest places the frame's top-left corner; sizes are the client's own, so
        // the decorations are taken off.
        std::uint32_t flags = 1 /* NorthWest */ | (kSourcePager << 12);
        std::uint32_t x = 0, y = 0, w = 0, h = 0;
        if (p) {
            const Point root = s_.toRoot(*p);
            // X positions are 16-bit: anything further out is clamped to the edge of that range.
            x = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::clamp<std::int64_t>(
                platform::truncatedInt(std::round(root.x)), -32768, 32767)));
            y = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::clamp<std::int64_t>(
                platform::truncatedInt(std::round(root.y)), -32768, 32767)));
            flags |= (1u << 8) | (1u << 9);
        }
        if (z) {
            // Sizes are logical; the window manager counts device pixels.
            const double ratio = s_.deviceRatioAt(c.frame);
            const Size d = decorations(c);
            w = static_cast<std::uint32_t>(std::clamp<std::int64_t>(
                platform::truncatedInt(std::round(z->width * ratio) - d.width), 1, 32767));
            h = static_cast<std::uint32_t>(std::clamp<std::int64_t>(
                platform::truncatedInt(std::round(z->height * ratio) - d.height), 1, 32767));
            flags |= (1u << 10) | (1u << 11);
        }
        sendRootMessage(conn, s_.root(), c.id, a.netMoveresizeWindow, flags, x, y, w, h);
        return AXError::Success;
    }
    const bool* on = std::get_if<bool>(&value);
    if (!on) {
        return AXError::IllegalArgument;
    }
    if (attribute == ax::kMinimized) {
        if (*on) {
            sendRootMessage(conn, s_.root(), c.id, a.wmChangeState, kIconicState);
        } else if (has(c.states, a.stateHidden)) {
            activateWindow(c.id);
        }
        return AXError::Success;
    }
    if (attribute == ax::kMain) {
        if (*on) {
            activateWindow(c.id);
        }
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

AXError X11Accessibility::performAction(const Element& element, const std::string& action) {
    if (!isTrusted(false)) {
        return AXError::APIDisabled;
    }
    const Client* c = s_.snapshot().client(static_cast<xcb_window_t>(element.ref));
    if (!c || c->pid != element.pid) {
        return AXError::InvalidElement;
    }
    xcb_connection_t* conn = s_.connection();
    if (element.kind == Element::Kind::Window && action == ax::kRaise) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(conn, c->id, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    } else if (element.kind == Element::Kind::Button && action == ax::kPress) {
        sendRootMessage(conn, s_.root(), c->id, s_.atoms().netCloseWindow, XCB_CURRENT_TIME,
                        kSourcePager);
    } else {
        return AXError::ActionUnsupported;
    }
    s_.invalidate();
    xcb_flush(conn);
    return AXError::Success;
}

AXError X11Accessibility::windowNumber(const Element& window, std::uint32_t& number) {
    if (window.kind != Element::Kind::Window || !isTrusted(false)) {
        return AXError::Failure;
    }
    const Client* c = s_.snapshot().client(static_cast<xcb_window_t>(window.ref));
    if (!c) {
        return AXError::InvalidElement;
    }
    number = c->id;
    return AXError::Success;
}

// What the window manager's frame adds to the client's size; asked only when a size is set.
Size X11Accessibility::decorations(const Client& c) {
    xcb_connection_t* conn = s_.connection();
    const auto e =
        cardinals(collectProperty(conn, requestProperty(conn, c.id, s_.atoms().netFrameExtents)),
                  XCB_ATOM_CARDINAL);
    if (!e || e->size() != 4) {
        return {};
    }
    return {static_cast<double>((*e)[0] + (*e)[1]), static_cast<double>((*e)[2] + (*e)[3])};
}

void X11Accessibility::activateWindow(xcb_window_t w) {
    s_.lastActivation = Session::Activation{w, std::chrono::steady_clock::now()};
    sendRootMessage(s_.connection(), s_.root(), w, s_.atoms().netActiveWindow, kSourcePager,
                    XCB_CURRENT_TIME, 0);
    s_.invalidate();
    xcb_flush(s_.connection());
}

}  // namespace platform::x11
