// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimWorkspace.h"

#include <algorithm>

#include "platform/WindowTypes.h"

namespace platform::sim {

std::vector<RunningApp> SimWorkspace::runningApplications(const std::string& identifier) {
    std::vector<RunningApp> out;
    for (const SimApp& a : m_.apps) {
        if (a.running && sameAppName(a.identifier, identifier)) {
            out.push_back({a.pid, a.identifier, a.name, a.uid});
        }
    }
    return out;
}

std::vector<RunningApp> SimWorkspace::applicationsWithWindows() {
    std::vector<RunningApp> out;
    for (const SimApp& a : m_.apps) {
        const bool shown = std::any_of(m_.windows.begin(), m_.windows.end(), [&](const auto& w) {
            return w.second.pid == a.pid && w.second.role == WindowRole::Standard &&
                   !w.second.title.empty();
        });
        if (a.running && shown && a.pid != m_.ownPid) {
            out.push_back({a.pid, a.identifier, a.name, a.uid});
        }
    }
    return out;
}

bool SimWorkspace::forceTerminate(std::int32_t pid) {
    m_.note("terminate " + std::to_string(pid));
    SimApp* app = m_.app(pid);
    if (!app) {
        return false;
    }
    if (app->survivesTermination) {
        return true;
    }
    m_.endApp(pid);
    return true;
}

std::optional<RunningApp> SimWorkspace::frontmostApplication() {
    if (!m_.frontmostPid) {
        return std::nullopt;
    }
    const SimApp* a = m_.app(*m_.frontmostPid);
    if (!a) {
        return std::nullopt;
    }
    return RunningApp{a->pid, a->identifier, a->name, a->uid};
}

void SimWorkspace::activate(std::int32_t pid) {
    m_.note("activate " + std::to_string(pid));
    if (m_.app(pid)) {
        m_.frontmostPid = pid;
    }
}

std::optional<std::string> SimWorkspace::applicationLocation(const std::string& identifier) {
    auto it = m_.installed.find(identifier);
    if (it == m_.installed.end()) {
        return std::nullopt;
    }
    return it->second;
}

void SimWorkspace::launchApplication(const std::string& location) {
    m_.note("launch " + location);
}

std::optional<std::string> SimWorkspace::desktopPictureFile(const Screen& screen) {
    if (!screen.displayNumber) {
        return std::nullopt;
    }
    auto it = m_.desktopPictures.find(*screen.displayNumber);
    if (it == m_.desktopPictures.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::string> SimWorkspace::environment(const std::string& name) {
    auto it = m_.environment.find(name);
    if (it == m_.environment.end()) {
        return std::nullopt;
    }
    return it->second;
}

}  // namespace platform::sim
