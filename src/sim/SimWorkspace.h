// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"
#include "sim/SimModel.h"

namespace platform::sim {

class SimWorkspace final : public Workspace {
  public:
    explicit SimWorkspace(SimModel& model) : m_(model) {}

    std::int32_t ownPid() override { return m_.ownPid; }
    std::uint32_t ownUid() override { return m_.ownUid; }
    std::optional<std::string> ownIdentifier() override { return m_.ownIdentifier; }
    std::vector<RunningApp> runningApplications(const std::string& identifier) override;
    void followApplications(const std::vector<std::string>& names) override { m_.followed = names; }
    std::vector<RunningApp> applicationsWithWindows() override;
    bool forceTerminate(std::int32_t pid) override;
    std::optional<RunningApp> frontmostApplication() override;
    void activate(std::int32_t pid) override;
    std::optional<std::string> applicationLocation(const std::string& identifier) override;
    void launchApplication(const std::string& location) override;
    void openAccessibilitySettings() override { m_.note("open accessibility settings"); }
    std::optional<std::string> desktopPictureFile(const Screen& screen) override;
    std::optional<std::string> environment(const std::string& name) override;
    std::string configHome() override { return m_.configHome; }
    std::string temporaryDirectory() override { return m_.temporaryDirectory; }
    void systemLog(const std::string& message) override { m_.note("system log: " + message); }

  private:
    SimModel& m_;
};

}  // namespace platform::sim
