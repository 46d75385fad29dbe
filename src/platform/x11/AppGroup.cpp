// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/AppGroup.h"

#include <algorithm>
#include <set>

#include <unistd.h>

#include "platform/WindowTypes.h"
#include "platform/x11/Processes.h"

namespace platform::x11::AppGroup {

namespace {

std::int32_t representative(const std::set<std::int32_t>& pids,
                            const std::function<bool(std::int32_t)>& ours) {
    const auto own = std::find_if(pids.begin(), pids.end(), ours);
    return own != pids.end() ? *own : *pids.begin();
}

}  // namespace

std::vector<std::string> namesFor(const std::string& identifier) {
    std::vector<std::string> names{identifier};
    if (identifier == kMessenger) {
        names.insert(names.end(), {"kakaotalk.exe", "kakaotalk"});
    }
    return names;
}

bool matches(const std::vector<std::string>& names, const std::string& name) {
    return !name.empty() && std::any_of(names.begin(), names.end(),
                                        [&](const auto& n) { return sameAppName(n, name); });
}

bool matches(const std::vector<std::string>& names, const Client& c) {
    return matches(names, c.instance) || matches(names, c.windowClass);
}

std::int32_t unify(Snapshot& s, const std::vector<std::string>& names,
                   const std::function<bool(std::int32_t)>& ours) {
    const auto member = [&](const Client& c) { return !c.grouped && matches(names, c); };
    std::set<std::int32_t> pids;
    for (const Client& c : s.clients) {
        if (c.pid > 0 && member(c)) {
            pids.insert(c.pid);
        }
    }
    if (pids.empty()) {
        return 0;
    }
    const std::int32_t pid = representative(pids, ours);
    for (Client& c : s.clients) {
        if (member(c)) {
            c.pid = pid;
            c.grouped = true;
        }
    }
    // Frames follow their client; unmanaged windows (menus, pop-ups) follow their process.
    for (TopLevel& t : s.topLevels) {
        if (t.client) {
            t.pid = s.clients[*t.client].pid;
        } else if (pids.contains(t.pid)) {
            t.pid = pid;
        }
    }
    return pid;
}

bool isOwnProcess(std::int32_t pid) {
    std::uint32_t uid = 0;
    return pid > 0 && Processes::ownerOf(pid, uid) && uid == ::geteuid();
}

}  // namespace platform::x11::AppGroup
