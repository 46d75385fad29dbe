#pragma once

#include "platform/Screens.h"

namespace platform::x11 {

// The displays as Qt knows them, the primary one first, in screen coordinates.
class QtScreens final : public Screens {
  public:
    std::vector<Screen> screens() override;
    std::optional<Screen> mainScreen() override;
};

}  // namespace platform::x11
