// SPDX-License-Identifier: GPL-3.0-or-later
// The tick: one decision pass over the protected applications' chat windows.

#include <QApplication>
#include <QTimer>

#include "common/Log.h"
#include "common/Settings.h"
#include "discovery/ProtectedApps.h"
#include "engine/WindowTracker.h"
#include "platform/Platform.h"

using platform::Rect;

// What one tick has learned, shared by its later steps.
struct WindowTracker::TickView {
    std::set<std::int32_t> pids;  // the protected applications with windows
    std::vector<KWindow> chats;
    std::set<WindowID> liveIDs;
    bool coverDragging = false;
    DisguiseMode mode = DisguiseMode::memo;
    std::unordered_map<std::uint32_t, int> onScreen;
    std::vector<OnScreenWin> snapshot;
    std::vector<Hole> holes;
    std::int32_t frontPid = 0;  // the application in front, 0: none known
    bool movingNow = false;
    bool stackedWithChats = false;  // covers sit in the stacking directly above their chats
};

namespace {

double now() {
    return platform::current().clock().now();
}

std::string describeFront(const std::optional<platform::RunningApp>& front) {
    return front && !front->name.empty() ? front->name : std::string("?");
}

}  // namespace

void WindowTracker::tick() {
    runTick(true);
}

void WindowTracker::runTick(bool onTimer) {
    ticking_ = true;
    tickOnce(onTimer);
    ticking_ = false;
    if (timer) {
        const int interval = clockMatters() ? kTickMilliseconds : kQuietTickMilliseconds;
        if (timer->interval() != interval) {
            timer->setInterval(interval);
        }
    }
    if (changedDuringTick_) {
        changedDuringTick_ = false;
        windowsChanged();
    }
}

void WindowTracker::tickOnce(bool onTimer) {
    if (paused) {
        hideAll();
        reportWhilePaused();
        return;
    }
    TickView view;
    view.chats = chatWindows();
    if (view.chats.empty()) {
        destroyAll();
        emit chatsCleared();
        return;
    }
    for (const KWindow& w : view.chats) {
        view.liveIDs.insert(w.id);
        view.pids.insert(w.pid);
    }
    rememberChats(view.chats);
    if (Log::enabled()) {
        logWindowSignature(view.chats);
    }
    view.coverDragging = std::any_of(covers.begin(), covers.end(),
                                     [](const auto& c) { return c.second->isDragging; });
    handBackGrace(view.coverDragging);

    const auto front = platform::current().workspace().frontmostApplication();
    view.frontPid = front ? front->pid : 0;
    focusedChat_ = focusedChat(view.coverDragging, view.pids, front);
    updateProtect(applyIdle(focusedChat_), front);
    if (graceTarget && !(now() < graceUntil)) {
        graceTarget.reset();
    }
    endDragReveal(view.liveIDs);
    if (stickyReveal && !view.liveIDs.contains(*stickyReveal)) {
        stickyReveal.reset();
    }

    view.mode = disguiseModeFromStored(Settings::d().integerForKey(Settings::key::kDisguiseMode));
    view.snapshot = Discovery::onScreenWindows();
    view.onScreen = Discovery::frontIndexMap(view.snapshot);
    keepRevealTargetOnTop(view);
    view.holes = computeHoles(view);
    view.movingNow = view.coverDragging || anyMoved(view.chats);
    view.stackedWithChats =
        platform::current().windowServer().coverStacking() == platform::CoverStacking::aboveChat;
    for (const KWindow& w : view.chats) {
        decide(w, view);
    }
    dropStale(view.liveIDs);
    std::erase_if(forceCovered, [&](WindowID id) { return !view.liveIDs.contains(id); });
    if (onTimer) {
        recordMovement(view.chats, view.liveIDs);
    }
    emit chatsChanged(view.chats, protectID);
}

void WindowTracker::reportWhilePaused() {
    if (reportChatsWhilePaused) {
        if (auto chats = chatWindows(); !chats.empty()) {
            rememberChats(chats);
            emit chatsChanged(chats, std::nullopt);
            return;
        }
    }
    emit chatsCleared();
}

// The standard windows of every protected application, the messenger's first; none when there
// are none (the caller then tears down).
std::vector<KWindow> WindowTracker::chatWindows() {
    std::vector<KWindow> chats;
    for (const Discovery::ProtectedApp& app : Discovery::protectedApps(appNames)) {
        for (KWindow& w : AX::windows(app.app.pid)) {
            if (w.role == platform::WindowRole::Standard) {
                w.app = app.name;
                chats.push_back(std::move(w));
            }
        }
    }
    return chats;
}

void WindowTracker::rememberChats(const std::vector<KWindow>& chats) {
    titles.clear();
    keys.clear();
    windowRefs.clear();
    for (const KWindow& w : chats) {
        titles[w.id] = w.title;
        keys[w.id] = Discovery::chatKey(w);
        windowRefs[w.id] = w.ref();
    }
}

// A window of the snapshot that is one of this tick's chats (an id is a chat's only while its
// process owns it).
bool WindowTracker::isChat(const OnScreenWin& e) const {
    const auto ref = windowRefs.find(e.id);
    return ref != windowRefs.end() && ref->second.pid == e.pid;
}

void WindowTracker::logWindowSignature(const std::vector<KWindow>& chats) {
    std::string sig;
    for (const KWindow& w : chats) {
        if (!sig.empty()) {
            sig += " | ";
        }
        sig += std::to_string(w.id) + ":" + platform::roleName(w.role) + ":" +
               Log::whole(w.frame.width) + "x" + Log::whole(w.frame.height) + ":'" + w.title + "'";
    }
    if (sig != loggedWinSig) {
        loggedWinSig = sig;
        Log::line("WINS " + sig);
    }
}

// This program took the front without showing a window of its own (a click on a cover does
// that): give keyboard focus back to the chat being revealed.
void WindowTracker::handBackGrace(bool coverDragging) {
    if (coverDragging || !graceTarget || !(now() < graceUntil)) {
        return;
    }
    auto& p = platform::current();
    const auto front = p.workspace().frontmostApplication();
    if (!front || front->pid != p.workspace().ownPid() || QApplication::activeWindow()) {
        return;
    }
    if (auto ref = windowRefs.find(*graceTarget); ref != windowRefs.end()) {
        bringForward(ref->second);
    }
}

std::optional<WindowTracker::WindowID> WindowTracker::focusedChat(
    bool coverDragging, const std::set<std::int32_t>& pids,
    const std::optional<platform::RunningApp>& front) {
    if (coverDragging || !front || !pids.contains(front->pid)) {
        return std::nullopt;
    }
    return AX::focusedWindowID(front->pid);
}

// Returns the new protect value. Idleness covers everything, and the chat in use at that moment
// stays covered until it is revealed on purpose.
std::optional<WindowTracker::WindowID> WindowTracker::applyIdle(std::optional<WindowID> focused) {
    const bool isIdle = idleSec >= 1 && idle.idleSeconds() >= static_cast<double>(idleSec);
    if (!isIdle) {
        return focused;
    }
    if (focused) {
        forceCovered.insert(*focused);
    }
    focusedChat_.reset();
    graceTarget.reset();
    stickyReveal.reset();
    dragRevealID.reset();
    return std::nullopt;
}

void WindowTracker::updateProtect(std::optional<WindowID> next,
                                  const std::optional<platform::RunningApp>& front) {
    if (next == protectID) {
        return;
    }
    const std::string who = next ? std::to_string(*next) + " '" + titleOf(*next) + "'" : "nil";
    Log::line("PROTECT → " + who + " [front=" + describeFront(front) + "]");
    protectID = next;
}

// A file drag holds its chat revealed while the button is down; on release the chat comes
// forward for the drop and stays revealed until the next click.
void WindowTracker::endDragReveal(const std::set<WindowID>& liveIDs) {
    if (!dragRevealID) {
        return;
    }
    const WindowID d = *dragRevealID;
    if (!liveIDs.contains(d)) {
        dragRevealID.reset();
        return;
    }
    auto& p = platform::current();
    if (p.input().pressedMouseButtons() & platform::mouse::kLeftButton) {
        return;
    }
    if (auto ref = windowRefs.find(d); ref != windowRefs.end()) {
        p.workspace().activate(ref->second.pid);
        p.appWindows().activate(ref->second);
        p.appWindows().raise(ref->second);
    }
    stickyReveal = d;
    dragRevealID.reset();
}

void WindowTracker::keepRevealTargetOnTop(const TickView& view) {
    std::optional<WindowID> target = stickyReveal   ? stickyReveal
                                     : dragRevealID ? dragRevealID
                                     : protectID    ? protectID
                                     : inGrace()    ? graceTarget
                                                    : std::nullopt;
    if (target != raisedTarget_) {
        raisedTarget_ = target;
        unansweredRaises_ = 0;
    }
    if (!target || view.coverDragging) {
        return;
    }
    auto ref = windowRefs.find(*target);
    if (ref == windowRefs.end()) {
        return;
    }
    const auto top = std::find_if(view.snapshot.begin(), view.snapshot.end(),
                                  [&](const auto& e) { return isChat(e); });
    if (top != view.snapshot.end() && top->id == *target) {
        unansweredRaises_ = 0;
        return;
    }
    // A tiling window manager never restacks its tiles: asking on every tick gains nothing.
    if (unansweredRaises_ >= kRaisesBeforeGivingUp) {
        return;
    }
    ++unansweredRaises_;
    platform::current().appWindows().raise(ref->second);
    Log::line("RAISE reveal target " + std::to_string(*target) + " (top was " +
              (top == view.snapshot.end() ? std::string("nil") : std::to_string(top->id)) + ")");
}

// What covers must show: revealed chats, the protected applications' other windows (their
// dialogs and pop-ups) and the front application's front window, the one being worked in.
std::vector<WindowTracker::Hole> WindowTracker::computeHoles(const TickView& view) const {
    std::vector<Hole> holes;
    for (const KWindow& w : view.chats) {
        const auto at = view.onScreen.find(w.id);
        if (at != view.onScreen.end() && revealedNow(w.id, focusedChat_) &&
            !forceCovered.contains(w.id) && !excluded.contains(keys.at(w.id))) {
            holes.push_back({w.frame, at->second});
        }
    }
    const std::int32_t own = platform::current().workspace().ownPid();
    const auto showable = [&](const OnScreenWin& e) {
        return e.layer == platform::level::kNormal && e.pid != own && !isChat(e) &&
               e.frame.width > 1 && e.frame.height > 1;
    };
    const auto worksIn = std::find_if(
        view.snapshot.begin(), view.snapshot.end(),
        [&](const auto& e) { return e.pid != 0 && e.pid == view.frontPid && showable(e); });
    for (auto e = view.snapshot.begin(); e != view.snapshot.end(); ++e) {
        if (e == worksIn || (view.pids.contains(e->pid) && showable(*e))) {
            holes.push_back({e->frame, static_cast<int>(e - view.snapshot.begin())});
        }
    }
    return holes;
}

// Only a window in front of the chat may show through its cover: behind it, the hole would
// show the chat itself.
std::vector<Rect> WindowTracker::holesFor(const KWindow& w, const TickView& view) const {
    std::vector<Rect> shown;
    const auto at = view.onScreen.find(w.id);
    if (at == view.onScreen.end()) {
        return shown;
    }
    for (const Hole& h : view.holes) {
        if (h.front < at->second) {
            shown.push_back(h.frame);
        }
    }
    return shown;
}

bool WindowTracker::anyMoved(const std::vector<KWindow>& chats) const {
    return std::any_of(chats.begin(), chats.end(),
                       [&](const KWindow& w) { return movedBeyondTolerance(w); });
}

bool WindowTracker::movedBeyondTolerance(const KWindow& w) const {
    auto it = lastRect.find(w.id);
    if (it == lastRect.end()) {
        return false;
    }
    const Rect& was = it->second;
    return std::abs(w.frame.x - was.x) > kMoveTolerance ||
           std::abs(w.frame.y - was.y) > kMoveTolerance ||
           std::abs(w.frame.width - was.width) > kMoveTolerance ||
           std::abs(w.frame.height - was.height) > kMoveTolerance;
}

void WindowTracker::decide(const KWindow& w, const TickView& view) {
    if (auto c = covers.find(w.id); c != covers.end() && c->second->isDragging) {
        return;
    }
    if (w.minimized) {
        logState(w.id, "min");
        hide(w.id);
    } else if (!view.onScreen.contains(w.id)) {
        logState(w.id, "offscreen");
        hide(w.id);
    } else if (excluded.contains(keys.at(w.id))) {
        logState(w.id, "excluded");
        hide(w.id);
    } else if (!view.movingNow && !view.stackedWithChats &&
               Discovery::isOccluded(w, view.snapshot)) {
        // A cover floating above everything would hide the window in front of its chat. One
        // stacked with its chat is hidden with it, and taking it down would trust a stacking
        // order the compositor may not keep for X programs (sway draws its floating windows
        // above tiled ones whatever the X order says).
        logState(w.id, "occluded→hidden");
        show(w, view.mode, false, {});
    } else if (forceCovered.contains(w.id)) {
        logState(w.id, "forceCovered");
        show(w, view.mode, true, holesFor(w, view));
    } else if (revealedNow(w.id, focusedChat_)) {
        logState(w.id, "revealed");
        show(w, view.mode, false, holesFor(w, view));
    } else {
        logState(w.id, "COVERED");
        show(w, view.mode, true, holesFor(w, view));
    }
}

void WindowTracker::show(const KWindow& w, DisguiseMode mode, bool covered,
                         const std::vector<Rect>& holes) {
    auto& slot = covers[w.id];
    if (!slot) {
        slot = std::make_unique<CoverWindow>(w);
        const WindowID id = w.id;
        connect(slot.get(), &CoverWindow::revealRequested, this,
                [this, id] { reveal(id, kClickGrace); });
        connect(slot.get(), &CoverWindow::fileDragged, this, [this, id] {
            reveal(id, kFileDragGrace);
            dragRevealID = id;
        });
    }
    slot->sync(w, mode, covered, holes);
}

void WindowTracker::logState(WindowID id, const std::string& state) {
    if (!Log::enabled()) {
        return;
    }
    // Keyed by title as well: an id the server hands to a new window within one poll names
    // another chat, and the log must say so.
    const std::string line = "STATE " + std::to_string(id) + " '" + titleOf(id) + "' = " + state;
    std::string& logged = loggedState[id];
    if (logged == line) {
        return;
    }
    logged = line;
    Log::line(line);
}

void WindowTracker::dropStale(const std::set<WindowID>& liveIDs) {
    std::erase_if(loggedState, [&](const auto& entry) { return !liveIDs.contains(entry.first); });
    for (auto it = covers.begin(); it != covers.end();) {
        if (liveIDs.contains(it->first)) {
            ++it;
        } else {
            it->second->orderOut();
            it = covers.erase(it);
        }
    }
}

void WindowTracker::recordMovement(const std::vector<KWindow>& chats,
                                   const std::set<WindowID>& liveIDs) {
    for (const KWindow& w : chats) {
        if (movedBeyondTolerance(w)) {
            lastMovedHwnd = w.id;  // the last in list order wins
        }
        lastRect[w.id] = w.frame;
    }
    std::erase_if(lastRect, [&](const auto& kv) { return !liveIDs.contains(kv.first); });
    if (lastMovedHwnd && !liveIDs.contains(*lastMovedHwnd)) {
        lastMovedHwnd.reset();
    }
}

// Whether a rule that runs on time alone is in play: then the next tick must come on time.
bool WindowTracker::clockMatters() const {
    return inGrace() || graceTarget || dragRevealID || stickyReveal || idleSec >= 1 ||
           std::any_of(covers.begin(), covers.end(), [](const auto& c) {
               return c.second->isDragging || c.second->fileDragging;
           });
}

bool WindowTracker::inGrace() const {
    return graceTarget && now() < graceUntil;
}

bool WindowTracker::revealedNow(WindowID id, std::optional<WindowID> focused) const {
    return focused == id || (graceTarget == id && now() < graceUntil) || dragRevealID == id ||
           stickyReveal == id;
}
