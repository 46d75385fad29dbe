#pragma once

#include "platform/WindowServer.h"
#include "sim/SimModel.h"

namespace platform::sim {

// The window list of the simulated desktop, built from the model front to back. The list is
// cached until the model changes, as a real server answers from its own state.
class SimWindowServer final : public WindowServer {
  public:
    explicit SimWindowServer(SimModel& model) : m_(model) {}

    WindowInfoListPtr windowList(std::uint32_t options, std::uint32_t relativeTo) override;
    std::int64_t desktopWindowLevel() override { return m_.desktopLevel; }
    std::optional<QImage> windowImage(std::uint32_t number) override;
    bool screenCaptureAllowed() override { return m_.screenCaptureAllowed; }
    void requestScreenCapture() override { m_.note("request screen capture"); }
    double secondsSinceLastInput() override { return m_.idleSeconds; }
    void keepOnFloatingLevel(std::uint64_t nativeWindow) override {
        m_.floating.insert(nativeWindow);
    }
    void releaseFromFloatingLevel(std::uint64_t nativeWindow) override {
        m_.floating.erase(nativeWindow);
    }
    void setBackground(std::uint64_t nativeWindow, std::optional<std::uint32_t> rgb) override {
        m_.backgrounds[nativeWindow] = rgb;
    }
    void flush() override {}
    void onWindowsChanged(std::function<void()> handler) override {
        m_.windowsChanged = std::move(handler);
    }

  private:
    WindowInfoListPtr build(std::uint32_t options, std::uint32_t relativeTo) const;

    SimModel& m_;
    struct Cached {
        std::uint64_t generation = 0;
        std::uint32_t options = 0;
        std::uint32_t relativeTo = 0;
        WindowInfoListPtr list;
    };
    Cached cache_;
};

}  // namespace platform::sim
