#pragma once

#include "platform/Accessibility.h"
#include "sim/SimModel.h"

namespace platform::sim {

// Accessibility over the simulated windows. Writes act on the model the way a window system
// would (a raise restacks, a close-button press closes) and every one is recorded.
class SimAccessibility final : public Accessibility {
  public:
    explicit SimAccessibility(SimModel& model) : m_(model) {}

    bool isTrusted(bool prompt) override;
    Element applicationElement(std::int32_t pid) override;
    AXResult copyAttribute(const Element& element, const std::string& attribute) override;
    AXError setAttribute(const Element& element, const std::string& attribute,
                         const AXValue& value) override;
    AXError performAction(const Element& element, const std::string& action) override;
    AXError windowNumber(const Element& window, std::uint32_t& number) override;

  private:
    AXResult readApplication(const SimApp& app, const std::string& attribute);
    AXResult readWindow(const SimWindow& w, const std::string& attribute);
    AXError writeWindow(SimWindow& w, const std::string& attribute, const AXValue& value);
    SimWindow* liveWindow(const Element& e);

    SimModel& m_;
};

}  // namespace platform::sim
