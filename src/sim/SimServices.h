// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clock.h"
#include "platform/LoginItem.h"
#include "platform/Screens.h"
#include "sim/SimModel.h"

// The three small simulated services: screens, login item and clock.

namespace platform::sim {

class SimScreens final : public Screens {
  public:
    explicit SimScreens(SimModel& model) : m_(model) {}
    std::vector<Screen> screens() override { return m_.screens; }
    std::optional<Rect> primaryFrame() override {
        return m_.screens.empty() ? std::nullopt : std::optional<Rect>(m_.screens.front().frame);
    }
    std::optional<Screen> mainScreen() override;

  private:
    SimModel& m_;
};

class SimLoginItem final : public LoginItem {
  public:
    explicit SimLoginItem(SimModel& model) : m_(model) {}
    LoginItemStatus status() override { return m_.loginStatus; }
    LoginItemResult registerItem() override;
    LoginItemResult unregisterItem() override;

  private:
    SimModel& m_;
};

class SimClock final : public Clock {
  public:
    explicit SimClock(SimModel& model) : m_(model) {}
    double now() override { return m_.now; }
    void sleep(double seconds) override;

  private:
    SimModel& m_;
};

}  // namespace platform::sim
