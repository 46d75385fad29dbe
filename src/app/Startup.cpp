// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include <algorithm>

#include "platform/Platform.h"

namespace Startup {

namespace {

// Copies of this program run by this user, other than this process.
std::vector<platform::RunningApp> otherCopies(platform::Workspace& ws,
                                              const std::string& identifier) {
    auto apps = ws.runningApplications(identifier);
    const auto ownPid = ws.ownPid();
    const auto ownUid = ws.ownUid();
    std::erase_if(
        apps, [&](const platform::RunningApp& a) { return a.pid == ownPid || a.uid != ownUid; });
    return apps;
}

}  // namespace

void enforceSingleInstance() {
    auto& p = platform::current();
    auto& ws = p.workspace();
    const std::string identifier = ws.ownIdentifier().value_or(std::string());
    const auto others = otherCopies(ws, identifier);
    if (others.empty()) {
        return;
    }
    for (const auto& app : others) {
        ws.forceTerminate(app.pid);
    }
    const double deadline = p.clock().now() + kTerminationWait;
    while (p.clock().now() < deadline) {
        if (otherCopies(ws, identifier).empty()) {
            return;
        }
        p.clock().sleep(kTerminationPoll);
    }
}

void set(bool on) {
    auto& p = platform::current();
    platform::LoginItem& item = p.loginItem();
    platform::LoginItemResult result;
    if (on) {
        if (item.status() == platform::LoginItemStatus::Enabled) {
            return;
        }
        result = item.registerItem();
    } else {
        result = item.unregisterItem();
    }
    if (!result.ok) {
        p.workspace().systemLog(std::string("Startup.set(") + (on ? "true" : "false") +
                                ") failed: " + result.error);
    }
}

}  // namespace Startup
