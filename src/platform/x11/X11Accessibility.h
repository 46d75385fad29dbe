#pragma once

#include "platform/Accessibility.h"
#include "platform/x11/Session.h"

namespace platform::x11 {

// Accessibility on an EWMH desktop: an application's windows are its managed clients, their
// attributes come from window properties and the window manager's frames, and writes become
// the window manager requests that do the same thing.
class X11Accessibility final : public Accessibility {
  public:
    explicit X11Accessibility(Session& session) : s_(session) {}

    bool isTrusted(bool prompt) override;
    Element applicationElement(std::int32_t pid) override;
    AXResult copyAttribute(const Element& element, const std::string& attribute) override;
    AXError setAttribute(const Element& element, const std::string& attribute,
                         const AXValue& value) override;
    AXError performAction(const Element& element, const std::string& action) override;
    AXError windowNumber(const Element& window, std::uint32_t& number) override;

    // The application's clients, front-most first.
    static std::vector<const Client*> clientsOf(const Snapshot& s, std::int32_t pid);
    // Make a window the active one, as a pager would.
    void activateWindow(xcb_window_t w);

  private:
    AXResult readApplication(std::int32_t pid, const std::string& attribute);
    AXResult readWindow(const Client& c, const std::string& attribute);
    AXError writeWindow(const Client& c, const std::string& attribute, const AXValue& value);
    std::string subroleOf(const Client& c) const;
    Size decorations(const Client& c);

    Session& s_;
};

}  // namespace platform::x11
