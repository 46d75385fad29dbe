// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "platform/Platform.h"
#include "sim/SimAppWindows.h"
#include "sim/SimInput.h"
#include "sim/SimModel.h"
#include "sim/SimServices.h"
#include "sim/SimWindowServer.h"
#include "sim/SimWorkspace.h"

namespace platform::sim {

// A whole desktop in memory: applications, windows with stacking and layers, focus, screens,
// input, hot keys and the login item, with failures on demand and a record of everything the
// program asked of it. Deterministic: time moves only when the test moves it.
class SimDesktop final : public Platform {
  public:
    SimDesktop();
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    // Installs a fresh desktop as the current platform and returns it.
    static SimDesktop& installFresh();

    Workspace& workspace() override { return workspace_; }
    AppWindows& appWindows() override { return appWindows_; }
    WindowServer& windowServer() override { return windowServer_; }
    Screens& screens() override { return screens_; }
    Input& input() override { return input_; }
    LoginItem& loginItem() override { return loginItem_; }
    Clock& clock() override { return clock_; }

    // Direct access for arranging a scenario. Changing it through here invalidates caches.
    SimModel& model() {
        ++m_.generation;
        return m_;
    }
    const std::vector<std::string>& record() const { return m_.record; }
    void clearRecord() { m_.record.clear(); }

    SimApp& addApp(std::int32_t pid, std::string identifier, std::string name);
    // Adds a window in front of all others of its layer.
    SimWindow& addWindow(SimWindow window);
    SimWindow& window(std::uint32_t number);
    bool hasWindow(std::uint32_t number) const { return m_.windows.contains(number); }
    void closeWindow(std::uint32_t number);
    void raise(std::uint32_t number);
    // Makes `number` the focused window of its application and that application frontmost.
    void focus(std::uint32_t number);
    void setFrontmost(std::optional<std::int32_t> pid);
    void quitApp(std::int32_t pid);

    // Input events as the user would make them.
    void mouseDown(MouseButton button);
    // Returns whether any registration matched.
    bool pressHotKey(std::uint32_t keyCode, std::uint32_t modifiers);
    void advance(double seconds) { m_.now += seconds; }
    // Tells the program the windows changed, as a server's events would.
    void announceChange() {
        if (m_.windowsChanged) {
            m_.windowsChanged();
        }
    }

  private:
    SimModel m_;
    SimWorkspace workspace_{m_};
    SimAppWindows appWindows_{m_};
    SimWindowServer windowServer_{m_};
    SimScreens screens_{m_};
    SimInput input_{m_};
    SimLoginItem loginItem_{m_};
    SimClock clock_{m_};
    std::string root_;  // private temporary directory, removed with the desktop
};

}  // namespace platform::sim
