// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Screens.h"

namespace platform {

// A running application as the workspace lists it.
struct RunningApp {
    std::int32_t pid = 0;
    std::string identifier;            // bundle or desktop identifier; may be empty
    std::string name;                  // localized name; may be empty
    std::optional<std::uint32_t> uid;  // the owning user, when known
    friend bool operator==(const RunningApp&, const RunningApp&) = default;
};

// Applications, processes and the user's session: who runs, who is in front, where programs
// live, and the few process facts (environment, directories) the program reads.
class Workspace {
  public:
    virtual ~Workspace() = default;

    virtual std::int32_t ownPid() = 0;
    virtual std::uint32_t ownUid() = 0;
    // The program's own identifier; absent when it has none.
    virtual std::optional<std::string> ownIdentifier() = 0;

    // Running applications with this identifier, in the platform's order.
    virtual std::vector<RunningApp> runningApplications(const std::string& identifier) = 0;
    // Besides the messenger, the applications whose windows the program follows, each named by
    // the class its windows carry (either part, any case; a Windows program by its .exe name).
    // From the next query on, the windows of each, in whatever processes, report one process
    // id, as the messenger's do, and runningApplications(name) knows such an application by
    // its windows alone: one without windows has nothing to follow.
    virtual void followApplications(const std::vector<std::string>& names) = 0;
    // Applications with titled standard windows now, one per class, for a person to choose
    // from: `identifier` is the class the windows carry, `name` what people call the program.
    virtual std::vector<RunningApp> applicationsWithWindows() = 0;
    // Kill at once, without a graceful quit request. False when the request could not be made.
    virtual bool forceTerminate(std::int32_t pid) = 0;
    // The application that receives keyboard input, or absent.
    virtual std::optional<RunningApp> frontmostApplication() = 0;
    // Bring an application to the front (no options).
    virtual void activate(std::int32_t pid) = 0;

    // Where an installed application with this identifier lives, or absent when not installed.
    virtual std::optional<std::string> applicationLocation(const std::string& identifier) = 0;
    // Launch detached; the outcome is not awaited.
    virtual void launchApplication(const std::string& location) = 0;
    // Show the system's settings for the accessibility permission.
    virtual void openAccessibilitySettings() = 0;

    // The desktop picture file configured for a screen, or absent.
    virtual std::optional<std::string> desktopPictureFile(const Screen& screen) = 0;

    // Process environment variable, or absent.
    virtual std::optional<std::string> environment(const std::string& name) = 0;
    // The user's configuration directory ($XDG_CONFIG_HOME, else ~/.config).
    virtual std::string configHome() = 0;
    // The shared temporary directory the debug log lives in.
    virtual std::string temporaryDirectory() = 0;
    // One plain-text message to the system log (not the debug log).
    virtual void systemLog(const std::string& message) = 0;
};

}  // namespace platform
