// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Workspace.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <map>

#include <pwd.h>
#include <syslog.h>
#include <unistd.h>

#include "platform/WindowTypes.h"
#include "platform/x11/AppGroup.h"
#include "platform/x11/DesktopEntries.h"
#include "platform/x11/DesktopPicture.h"
#include "platform/x11/Processes.h"

namespace platform::x11 {

namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::int32_t X11Workspace::ownPid() {
    static const std::int32_t pid = static_cast<std::int32_t>(::getpid());
    return pid;
}

std::uint32_t X11Workspace::ownUid() {
    return ::geteuid();
}

std::vector<RunningApp> X11Workspace::ownCopies() {
    std::vector<RunningApp> out;
    const std::string exe = Processes::ownExecutable();
    for (const ProcessInfo& p : Processes::list()) {
        if (!exe.empty() && p.exe == exe) {
            out.push_back({p.pid, kOwnIdentifier, "Tessavo", p.uid});
        }
    }
    return out;
}

std::vector<RunningApp> X11Workspace::runningApplications(const std::string& identifier) {
    if (identifier == kOwnIdentifier) {
        return ownCopies();
    }
    const auto names = AppGroup::namesFor(identifier);
    std::map<std::int32_t, RunningApp> found;  // ordered by pid: oldest first, as a rule
    for (const Client& c : s_.snapshot().clients) {
        if (c.pid > 0 && AppGroup::matches(names, c)) {
            found[c.pid] = {c.pid, identifier, c.windowClass.empty() ? c.instance : c.windowClass};
        }
    }
    // A program that has no window yet is still running; looking through every process costs
    // far more than a poll, so only then, and never for a program followed by its windows.
    const bool scan = found.empty() && !isFollowed(identifier);
    for (const ProcessInfo& p : scan ? processes() : std::vector<ProcessInfo>{}) {
        if (!found.contains(p.pid) &&
            (AppGroup::matches(names, p.comm) || AppGroup::matches(names, baseName(p.exe)))) {
            found[p.pid] = {p.pid, identifier, p.comm};
        }
    }
    // The owner matters only for this program's own copies; the messenger is asked for on
    // every tick, so its owner is not looked up.
    std::vector<RunningApp> out;
    for (auto& [pid, app] : found) {
        out.push_back(app);
    }
    return out;
}

bool X11Workspace::isFollowed(const std::string& identifier) const {
    return std::any_of(s_.followed.begin(), s_.followed.end(),
                       [&](const auto& names) { return AppGroup::matches(names, identifier); });
}

void X11Workspace::followApplications(const std::vector<std::string>& names) {
    std::vector<std::vector<std::string>> groups;
    for (const std::string& name : names) {
        if (!name.empty()) {
            groups.push_back(AppGroup::namesFor(name));
        }
    }
    if (groups != s_.followed) {
        s_.followed = std::move(groups);
        s_.invalidate();  // the next query groups them
    }
}

// One entry per class, named as the installed application entry for it names the program. A
// window whose process is unknown (a remote client's) is left out: windows are gathered by
// process, so its program, once listed, would never be covered.
std::vector<RunningApp> X11Workspace::applicationsWithWindows() {
    std::map<std::string, RunningApp> byClass;
    for (const Client& c : s_.snapshot().clients) {
        const std::string& cls = c.windowClass.empty() ? c.instance : c.windowClass;
        if (cls.empty() || c.title.empty() || c.pid <= 0 || c.pid == ownPid() ||
            windows_.roleOf(c) != WindowRole::Standard) {
            continue;
        }
        byClass.try_emplace(foldedAppName(cls), RunningApp{c.pid, cls, {}});
    }
    std::vector<RunningApp> out;
    for (auto& [key, app] : byClass) {
        const auto entry = DesktopEntries::find({app.identifier});
        app.name = entry ? DesktopEntries::nameOf(*entry).value_or(app.identifier) : app.identifier;
        out.push_back(std::move(app));
    }
    return out;
}

// Looked through again at most once a second, or at once when a new client appeared.
const std::vector<ProcessInfo>& X11Workspace::processes() {
    const auto now = std::chrono::steady_clock::now();
    const std::size_t clients = s_.snapshot().clients.size();
    if (!processesAt_ || now - *processesAt_ >= kProcessScanInterval || clients > clientsAtScan_) {
        processes_ = Processes::list();
        processesAt_ = now;
    }
    clientsAtScan_ = clients;
    return processes_;
}

bool X11Workspace::forceTerminate(std::int32_t pid) {
    return pid > 0 && ::kill(pid, SIGKILL) == 0;
}

std::optional<RunningApp> X11Workspace::frontmostApplication() {
    const Snapshot& s = s_.snapshot();
    if (s.active == 0) {
        return std::nullopt;
    }
    std::int32_t pid = 0;
    std::string name;
    if (const Client* c = s.client(s.active)) {
        pid = c->pid;
        name = c->windowClass.empty() ? c->instance : c->windowClass;
    } else {
        for (const TopLevel& t : s.topLevels) {
            if (t.id == s.active) {
                pid = t.pid;
            }
        }
    }
    if (pid <= 0) {
        return std::nullopt;
    }
    if (name.empty()) {
        name = Processes::commOf(pid);
    }
    return RunningApp{pid, {}, name};
}

// The application's window this program just asked to activate, if any (the window manager
// may not have acted on it yet, and activating another one now would undo it); else its
// active window; else its topmost one.
void X11Workspace::activate(std::int32_t pid) {
    const Snapshot& s = s_.snapshot();
    const auto clients = X11AppWindows::clientsOf(s, pid);
    if (clients.empty()) {
        return;
    }
    const auto belongs = [&](xcb_window_t w) {
        return std::any_of(clients.begin(), clients.end(),
                           [w](const Client* c) { return c->id == w; });
    };
    xcb_window_t target = clients.front()->id;
    if (const auto& last = s_.lastActivation;
        last && std::chrono::steady_clock::now() - last->at < kActivationSettles &&
        belongs(last->window)) {
        target = last->window;
    } else if (belongs(s.active)) {
        target = s.active;
    }
    windows_.activateWindow(target);
}

std::optional<std::string> X11Workspace::applicationLocation(const std::string& identifier) {
    return DesktopEntries::find(AppGroup::namesFor(identifier));
}

void X11Workspace::launchApplication(const std::string& location) {
    if (std::string why; !DesktopEntries::launch(location, &why)) {
        systemLog("tessavo: cannot start " + location + ": " + why);
    }
}

// On X11 there is nothing to grant: window access needs only a running window manager.
void X11Workspace::openAccessibilitySettings() {
    systemLog("tessavo: waiting for an EWMH window manager to manage the desktop");
}

// Looking the setting up may start a helper program, and covers ask on every repaint that
// the live picture is missing: the answer is kept for a few seconds.
std::optional<std::string> X11Workspace::desktopPictureFile(const Screen&) {
    const auto now = std::chrono::steady_clock::now();
    if (!pictureCheckedAt_ || now - *pictureCheckedAt_ > std::chrono::seconds(10)) {
        picture_ = DesktopPicture::find(configHome());
        pictureCheckedAt_ = now;
    }
    return picture_;
}

std::optional<std::string> X11Workspace::environment(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) {
        return std::nullopt;
    }
    return std::string(v);
}

std::string X11Workspace::configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::geteuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config";
}

// TMPDIR when it names a folder, as every other program reads it; /tmp otherwise.
std::string X11Workspace::temporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp == '/') {
        std::string dir(tmp);
        while (dir.size() > 1 && dir.back() == '/') {
            dir.pop_back();
        }
        return dir;
    }
    return "/tmp";
}

void X11Workspace::systemLog(const std::string& message) {
    ::syslog(LOG_USER | LOG_WARNING, "%s", message.c_str());
    std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace platform::x11
