// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

#include "platform/Workspace.h"
#include "platform/x11/Processes.h"
#include "platform/x11/Session.h"
#include "platform/x11/X11AppWindows.h"

namespace platform::x11 {

// Applications on Linux: a program is known by its windows' WM_CLASS (or, before it has any,
// by its process name); this program's other copies are processes of the same executable.
class X11Workspace final : public Workspace {
  public:
    static constexpr const char* kOwnIdentifier = "tessavo";
    // How long an activation this program asked for counts as the application's choice.
    static constexpr auto kActivationSettles = std::chrono::seconds(1);
    // How often processes without a window are looked for (each look costs milliseconds).
    static constexpr auto kProcessScanInterval = std::chrono::seconds(2);

    X11Workspace(Session& session, X11AppWindows& windows) : s_(session), windows_(windows) {}

    std::int32_t ownPid() override;
    std::uint32_t ownUid() override;
    std::optional<std::string> ownIdentifier() override { return std::string(kOwnIdentifier); }
    std::vector<RunningApp> runningApplications(const std::string& identifier) override;
    void followApplications(const std::vector<std::string>& names) override;
    std::vector<RunningApp> applicationsWithWindows() override;
    bool forceTerminate(std::int32_t pid) override;
    std::optional<RunningApp> frontmostApplication() override;
    void activate(std::int32_t pid) override;
    std::optional<std::string> applicationLocation(const std::string& identifier) override;
    void launchApplication(const std::string& location) override;
    void openAccessibilitySettings() override;
    std::optional<std::string> desktopPictureFile(const Screen& screen) override;
    std::optional<std::string> environment(const std::string& name) override;
    std::string configHome() override;
    std::string temporaryDirectory() override;
    void systemLog(const std::string& message) override;

  private:
    std::vector<RunningApp> ownCopies();
    bool isFollowed(const std::string& identifier) const;
    const std::vector<ProcessInfo>& processes();

    Session& s_;
    X11AppWindows& windows_;
    std::optional<std::string> picture_;
    std::optional<std::chrono::steady_clock::time_point> pictureCheckedAt_;
    // The last look through every process, and the clients there were then: a new client may
    // be the program that was started.
    std::vector<ProcessInfo> processes_;
    std::optional<std::chrono::steady_clock::time_point> processesAt_;
    std::size_t clientsAtScan_ = 0;
};

}  // namespace platform::x11
