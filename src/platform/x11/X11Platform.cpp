// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Platform.h"

#include <chrono>
#include <thread>

#include "platform/x11/Processes.h"
#include "platform/x11/QtScreens.h"
#include "platform/x11/Session.h"
#include "platform/x11/X11AppWindows.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11WindowServer.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XdgLoginItem.h"

namespace platform::x11 {

namespace {

std::function<void()>& displayLostHandler() {
    static std::function<void()> handler;
    return handler;
}

// Monotonic, so a change of the system time cannot stretch or cut a grace period.
class SteadyClock final : public Clock {
  public:
    double now() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleep(double seconds) override {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
};

class X11Platform final : public Platform {
  public:
    explicit X11Platform(CoverStacking stacking)
        : session_(stacking),
          appWindows_(session_),
          workspace_(session_, appWindows_),
          windowServer_(session_),
          input_(session_),
          loginItem_(workspace_.configHome(), Processes::ownExecutable()) {}

    Workspace& workspace() override { return workspace_; }
    AppWindows& appWindows() override { return appWindows_; }
    WindowServer& windowServer() override { return windowServer_; }
    Screens& screens() override { return screens_; }
    Input& input() override { return input_; }
    LoginItem& loginItem() override { return loginItem_; }
    Clock& clock() override { return clock_; }

  private:
    Session session_;
    X11AppWindows appWindows_;
    X11Workspace workspace_;
    X11WindowServer windowServer_;
    QtScreens screens_;
    X11Input input_;
    XdgLoginItem loginItem_;
    SteadyClock clock_;
};

}  // namespace

std::unique_ptr<Platform> createPlatform(CoverStacking stacking) {
    return std::make_unique<X11Platform>(stacking);
}

void setDisplayLostHandler(std::function<void()> handler) {
    displayLostHandler() = std::move(handler);
}

void displayLost() {
    if (const auto& handler = displayLostHandler()) {
        handler();
    }
}

}  // namespace platform::x11
