// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WindowTracker.h"

#include <algorithm>
#include <cmath>

#include <QTimer>

#include "common/Log.h"
#include "common/Settings.h"
#include "discovery/ProtectedApps.h"
#include "engine/LocalClickMonitor.h"
#include "platform/Platform.h"

namespace {
template <class T>
std::set<T> toSet(const std::vector<T>& v) {
    return {v.begin(), v.end()};
}
}  // namespace

WindowTracker::WindowTracker(QObject* parent) : QObject(parent) {
    loadChatSettings();
    paused = Settings::d().boolForKey(Settings::key::kPaused);
}

// The global monitor's and the window server's handlers reach this tracker directly: they
// must not outlive it.
WindowTracker::~WindowTracker() {
    if (timer) {
        platform::current().windowServer().onWindowsChanged({});
    }
    removeClickMonitors();
}

void WindowTracker::loadChatSettings() {
    excluded = toSet(Settings::d()
                         .stringArrayForKey(Settings::key::kExcluded)
                         .value_or(std::vector<std::string>{}));
    idleSec = Settings::idleSec();
    auto names = Settings::protectedApps();
    if (names != appNames) {
        std::string listed;
        for (const std::string& name : names) {
            listed += " '" + name + "'";
        }
        Log::line("APPS messenger" + listed);
        appNames = std::move(names);
        Discovery::followApps(appNames);
    }
}

void WindowTracker::start() {
    timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(kTickMilliseconds);
    connect(timer, &QTimer::timeout, this, &WindowTracker::tick);
    timer->start();
    changeTimer_ = new QTimer(this);
    changeTimer_->setSingleShot(true);
    changeTimer_->setTimerType(Qt::PreciseTimer);
    connect(changeTimer_, &QTimer::timeout, this, &WindowTracker::changeTick);
    platform::current().windowServer().onWindowsChanged([this] { windowsChanged(); });
    installClickMonitors();
    emit started();
}

// Whether a change tick may run now: not before the tracker runs, and not inside a tick, which
// then runs another when it is done.
bool WindowTracker::mayTickNow() {
    if (!timer) {
        return false;
    }
    if (ticking_) {
        changedDuringTick_ = true;
        return false;
    }
    return true;
}

void WindowTracker::windowsChanged() {
    if (!mayTickNow()) {
        return;
    }
    const double wait = lastChangeTick_ + kChangeTickGap - platform::current().clock().now();
    if (wait > 0) {
        if (!changeTimer_->isActive()) {
            changeTimer_->start(static_cast<int>(std::ceil(wait * 1000)));
        }
        return;
    }
    changeTick();
}

void WindowTracker::refresh() {
    if (mayTickNow()) {
        changeTick();
    }
}

void WindowTracker::changeTick() {
    lastChangeTick_ = platform::current().clock().now();
    runTick(false);
}

// A left or right mouse-down anywhere ends a sticky reveal: one monitor for other
// applications, one for this one.
void WindowTracker::installClickMonitors() {
    platform::Input& input = platform::current().input();
    const auto global = input.addGlobalMouseDownMonitor(
        platform::mouse::kLeftMouseDownMask | platform::mouse::kRightMouseDownMask,
        [this](platform::MouseButton) { endStickyReveal(); });
    if (global) {
        clickMonitors.push_back([h = *global] { platform::current().input().removeMonitor(h); });
    }
    auto* local = new LocalClickMonitor(this);
    // Queued: the press is still on its way to one of our windows, which a tick may replace.
    connect(local, &LocalClickMonitor::mouseDown, this, &WindowTracker::endStickyReveal,
            Qt::QueuedConnection);
    clickMonitors.push_back([local] { delete local; });
}

// The chat goes back under its cover now, not at the next timer tick.
void WindowTracker::endStickyReveal() {
    if (stickyReveal) {
        stickyReveal.reset();
        refresh();
    }
}

void WindowTracker::removeClickMonitors() {
    for (auto& remove : clickMonitors) {
        remove();
    }
    clickMonitors.clear();
}

void WindowTracker::stop() {
    platform::current().windowServer().onWindowsChanged({});
    delete changeTimer_;
    changeTimer_ = nullptr;
    delete timer;
    timer = nullptr;
    destroyAll();
    emit chatsCleared();
    removeClickMonitors();
}

void WindowTracker::hideAll() {
    for (auto& [id, cover] : covers) {
        if (cover->isVisible()) {
            cover->orderOut();
        }
    }
}

// Redrawn in place: a cover taken down to change its look would leave its chat readable until
// the next tick.
void WindowTracker::refreshMode() {
    refresh();
}

void WindowTracker::destroyAll() {
    for (auto& [id, cover] : covers) {
        cover->orderOut();
    }
    covers.clear();
}

void WindowTracker::hide(WindowID id) {
    auto it = covers.find(id);
    if (it != covers.end() && it->second->isVisible()) {
        it->second->orderOut();
    }
}

void WindowTracker::reveal(WindowID id, double grace) {
    Log::line("REVEAL id=" + std::to_string(id) + " '" + titleOf(id) + "'");
    forceCovered.erase(id);
    auto& p = platform::current();
    graceTarget = id;
    graceUntil = p.clock().now() + grace;
    if (timer && timer->interval() != kTickMilliseconds) {
        timer->setInterval(kTickMilliseconds);  // the grace ends on time
    }
    if (auto it = covers.find(id); it != covers.end()) {
        it->second->setAlpha(0.0);
        it->second->setIgnoresMouseEvents(true);
    }
    if (auto ref = windowRefs.find(id); ref != windowRefs.end()) {
        bringForward(ref->second);
    }
}

// Un-minimize, focus and raise a chat, and bring the messenger forward with it.
void WindowTracker::bringForward(const platform::WindowRef& chat) {
    auto& p = platform::current();
    p.appWindows().activate(chat);
    p.appWindows().raise(chat);
    p.workspace().activate(chat.pid);
}

std::string WindowTracker::keyOf(WindowID id) const {
    const auto it = keys.find(id);
    return it == keys.end() ? std::string() : it->second;
}

std::string WindowTracker::titleOf(WindowID id) const {
    auto it = titles.find(id);
    return it == titles.end() ? std::string("?") : it->second;
}

void WindowTracker::reloadSettings() {
    loadChatSettings();
}

void WindowTracker::pick(WindowID id, double grace) {
    if (!excluded.contains(keyOf(id)) && !forceCovered.contains(id) && protectID == id) {
        forceCovered.insert(id);
        refresh();
        return;
    }
    reveal(id, grace);
}

void WindowTracker::toggleCovering(WindowID id) {
    const auto key = keys.find(id);
    if (key == keys.end() || key->second.empty()) {
        return;  // nothing to store it under
    }
    forceCovered.erase(id);
    if (!excluded.erase(key->second)) {
        excluded.insert(key->second);
    } else if (graceTarget == id) {
        graceTarget.reset();  // covering asked for: a reveal's grace does not hold it off
    }
    Settings::d().setStringArray(Settings::key::kExcluded,
                                 std::vector<std::string>(excluded.begin(), excluded.end()));
    refresh();
}

void WindowTracker::stackChats(const std::vector<WindowID>& order) {
    std::vector<WindowID> ids;
    for (const WindowID id : order) {
        if (windowRefs.contains(id)) {
            ids.push_back(id);
        }
    }
    if (ids.size() < 2) {
        return;
    }
    const auto among = [&](const std::optional<WindowID>& id) {
        return id && std::find(ids.begin(), ids.end(), *id) != ids.end();
    };
    const WindowID anchor = among(lastMovedHwnd) ? *lastMovedHwnd
                            : among(protectID)   ? *protectID
                                                 : ids.front();
    auto& windows = platform::current().appWindows();
    const auto frame = windows.frameOf(windowRefs.at(anchor));
    if (!frame) {
        return;
    }
    for (const WindowID id : ids) {
        if (id != anchor) {
            windows.setFrame(windowRefs.at(id), *frame);
        }
    }
    // The next tick must not take these moves for the user's.
    for (const WindowID id : ids) {
        lastRect[id] = *frame;
    }
    lastMovedHwnd = anchor;
}

// Pausing takes the covers down at once, and with them the chats the layers above show,
// unless those are still to be reported.
void WindowTracker::setPaused(bool pause) {
    paused = pause;
    if (paused) {
        hideAll();
        if (!reportChatsWhilePaused) {
            emit chatsCleared();
        }
    }
    Settings::d().setBool(Settings::key::kPaused, paused);
    refresh();  // on resuming, the covers are back before the menu has closed
}

void WindowTracker::setReportChatsWhilePaused(bool report) {
    reportChatsWhilePaused = report;
}

void WindowTracker::setBadge(WindowID id, const QString& label, bool active) {
    if (auto it = covers.find(id); it != covers.end()) {
        it->second->cover->setBadge(label, active);
    }
}

CoverWindow* WindowTracker::coverOf(WindowID id) const {
    auto it = covers.find(id);
    return it == covers.end() ? nullptr : it->second.get();
}

std::set<WindowTracker::WindowID> WindowTracker::visibleCovers() const {
    std::set<WindowID> shown;
    for (const auto& [id, cover] : covers) {
        if (cover->isVisible()) {
            shown.insert(id);
        }
    }
    return shown;
}
