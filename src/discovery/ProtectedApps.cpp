// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/ProtectedApps.h"

#include <set>

#include "discovery/OnScreen.h"
#include "platform/Platform.h"
#include "platform/WindowTypes.h"

namespace Discovery {

void followApps(const std::vector<std::string>& names) {
    platform::current().workspace().followApplications(names);
}

std::vector<ProtectedApp> protectedApps(const std::vector<std::string>& names) {
    std::vector<ProtectedApp> out;
    std::set<std::int32_t> pids;
    if (const auto messenger = kakaoApp()) {
        out.push_back({*messenger, {}});
        pids.insert(messenger->pid);
    }
    auto& workspace = platform::current().workspace();
    for (const std::string& name : names) {
        for (platform::RunningApp& app : workspace.runningApplications(name)) {
            if (pids.insert(app.pid).second) {
                out.push_back({std::move(app), name});
            }
        }
    }
    return out;
}

std::string chatKey(const KWindow& w) {
    if (w.app.empty()) {
        return w.title;
    }
    return platform::foldedAppName(w.app) + kKeySeparator + w.title;
}

}  // namespace Discovery
