// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/WindowServer.h"
#include "sim/SimModel.h"

namespace platform::sim {

// The window list of the simulated desktop, built from the model front to back.
class SimWindowServer final : public WindowServer {
  public:
    explicit SimWindowServer(SimModel& model) : m_(model) {}

    std::optional<std::vector<ScreenWindow>> onScreenWindows() override;
    std::vector<ScreenWindow> desktopWindows() override;
    std::optional<QImage> windowImage(WindowId id) override;
    bool screenCaptureAllowed() override { return m_.screenCaptureAllowed; }
    void requestScreenCapture() override { m_.note("request screen capture"); }
    double secondsSinceLastInput() override { return m_.idleSeconds; }
    void keepOnFloatingLevel(std::uint64_t nativeWindow) override {
        m_.floating.insert(nativeWindow);
    }
    CoverStacking coverStacking() override { return m_.coverStacking; }
    void stackAbove(std::uint64_t nativeWindow, WindowId target, const Rect&) override {
        m_.stackedAbove[nativeWindow] = target;
        m_.note("stack " + std::to_string(nativeWindow) + " above " + std::to_string(target));
    }
    void release(std::uint64_t nativeWindow) override {
        m_.floating.erase(nativeWindow);
        m_.stackedAbove.erase(nativeWindow);
    }
    void setBackground(std::uint64_t nativeWindow, std::optional<std::uint32_t> rgb) override {
        m_.backgrounds[nativeWindow] = rgb;
    }
    void flush() override {}
    void onWindowsChanged(std::function<void()> handler) override {
        m_.windowsChanged = std::move(handler);
    }

  private:
    // Windows of running applications (and the program's own), front to back: higher layers
    // in front of lower ones, the stacking order within a layer.
    std::vector<const SimWindow*> ordered() const;

    SimModel& m_;
};

}  // namespace platform::sim
