// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include <QObject>

#include "platform/Screens.h"

namespace platform::x11 {

// The displays as Qt knows them, the primary one first, in desktop coordinates. The list is
// kept until Qt reports a change to the screens: every frame conversion reads it.
class QtScreens final : public Screens {
  public:
    std::vector<Screen> screens() override;
    std::optional<Rect> primaryFrame() override;
    std::optional<Screen> mainScreen() override;

  private:
    const std::vector<Screen>& current();
    void watch();

    std::vector<Screen> screens_;
    bool stale_ = true;
    std::unique_ptr<QObject> watcher_;  // context of the connections to Qt's screen signals
};

}  // namespace platform::x11
