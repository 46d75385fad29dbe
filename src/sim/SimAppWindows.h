// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppWindows.h"
#include "sim/SimModel.h"

namespace platform::sim {

// Applications' windows on the simulated desktop. Requests act on the model the way a window
// system would (a raise restacks, a close closes) and every one is recorded.
class SimAppWindows final : public AppWindows {
  public:
    explicit SimAppWindows(SimModel& model) : m_(model) {}

    bool readable(bool ask) override;
    std::vector<AppWindow> windowsOf(std::int32_t pid) override;
    std::optional<WindowId> focusedWindow(std::int32_t pid) override;
    std::optional<Rect> frameOf(const WindowRef& window) override;
    bool move(const WindowRef& window, Point topLeft) override;
    bool setFrame(const WindowRef& window, const Rect& frame) override;
    bool minimize(const WindowRef& window) override;
    bool close(const WindowRef& window) override;
    bool raise(const WindowRef& window) override;
    bool activate(const WindowRef& window) override;

  private:
    // The window named, when the desktop is readable and it lives; records the request.
    SimWindow* request(const WindowRef& window, const std::string& what,
                       const std::string& detail = {});
    SimWindow* live(const WindowRef& window);

    SimModel& m_;
};

}  // namespace platform::sim
