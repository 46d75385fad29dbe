// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/DisguiseMode.h"
#include "cover/CoverWindow.h"
#include "discovery/AX.h"
#include "discovery/OnScreen.h"
#include "engine/IdleWatcher.h"

#include <QObject>

class QTimer;

// The cover engine. A 0.06-second tick decides for every chat window (the messenger's, and the
// standard windows of every other protected application) whether it is covered, revealed or
// left alone, and keeps one cover per chat in step with it. What the
// layers above show of the chats follows its signals.
class WindowTracker : public QObject {
    Q_OBJECT
  public:
    using WindowID = std::uint32_t;
    static constexpr int kTickMilliseconds = 60;
    // With no clock-driven rule in play (a grace period, a file drag, a cover being dragged, idle
    // covering) every change comes as a notice from the window server: the timer only makes
    // sure, this often.
    static constexpr int kQuietTickMilliseconds = 250;
    static constexpr double kClickGrace = 1.5;
    static constexpr double kFileDragGrace = 2.0;
    // A window that moved or resized by more than this many points is moving.
    static constexpr double kMoveTolerance = 4;
    // Changes the window server tells of are acted on at once, but ticks run for them at most
    // this often (seconds): a window dragged about sends a stream of changes.
    static constexpr double kChangeTickGap = 0.002;

    explicit WindowTracker(QObject* parent = nullptr);
    ~WindowTracker() override;
    WindowTracker(const WindowTracker&) = delete;
    WindowTracker& operator=(const WindowTracker&) = delete;

    void start();
    void stop();
    void hideAll();
    // The covers take a newly stored disguise.
    void refreshMode();
    void destroyAll();
    void hide(WindowID id);
    // The timer's tick.
    void tick();
    // The window server told of a change: covers catch up now, not at the next timer tick.
    void windowsChanged();
    // The program's own state changed (a pick, covering switched on or off, a resume, new
    // settings): covers catch up in this turn of the event loop. The user asked for it, so
    // no gap holds it back.
    void refresh();
    void reveal(WindowID id, double grace);

    // Rereads what the settings window stores for the engine: the never-covered chats, the idle
    // time and the protected applications.
    void reloadSettings();

    // Picking the chat in use puts it back under its cover at once; any other pick reveals the
    // chat for `grace` seconds.
    void pick(WindowID id, double grace);
    // Switches covering off for the chats stored under the key of `id` (its title, for the
    // messenger), or back on, at once, and stores the never-covered list.
    void toggleCovering(WindowID id);
    // Lays every chat of `order` exactly onto one: the last moved, else the one in use, else
    // the first. The next tick does not take these moves for the user's.
    void stackChats(const std::vector<WindowID>& order);
    // Stored, and acted on in this turn of the event loop.
    void setPaused(bool pause);
    // While paused, still report the chats (so the switcher bar stays): where the desktop has
    // no tray, the bar is the only way back to the controls.
    void setReportChatsWhilePaused(bool report);
    // The switcher's label for a chat, shown on its cover.
    void setBadge(WindowID id, const QString& label, bool active);

    bool isRunning() const { return timer != nullptr; }
    bool isPaused() const { return paused; }
    std::optional<WindowID> chatInUse() const { return protectID; }
    // Covered until it is revealed on purpose.
    bool isForceCovered(WindowID id) const { return forceCovered.contains(id); }
    // What a chat of the last tick is stored under; empty for a window that is none.
    std::string keyOf(WindowID id) const;
    // On the never-covered list, by the chat's key.
    bool isExcluded(const std::string& key) const { return excluded.contains(key); }
    // The chat last seen moving or resizing.
    std::optional<WindowID> lastMovedChat() const { return lastMovedHwnd; }
    // Idle for this long, every chat is covered; below 1, never.
    std::int64_t idleSeconds() const { return idleSec; }
    // A chat's cover, or null.
    CoverWindow* coverOf(WindowID id) const;
    std::size_t coverCount() const { return covers.size(); }
    // The chats whose covers are on screen.
    std::set<WindowID> visibleCovers() const;

  signals:
    // The tick timer runs.
    void started();
    // The chats as this tick found them, front to back, and the one being worked in.
    void chatsChanged(const std::vector<KWindow>& chats, std::optional<WindowID> protectID);
    // No chats to show: covering paused or stopped, or the messenger gone.
    void chatsCleared();

  private:
    // The engine's whole state.
    QTimer* timer = nullptr;  // a child of the tracker while it runs
    std::map<WindowID, std::unique_ptr<CoverWindow>> covers;
    std::optional<WindowID> graceTarget;
    double graceUntil = -std::numeric_limits<double>::infinity();
    std::optional<WindowID> dragRevealID;
    std::optional<WindowID> stickyReveal;
    std::vector<std::function<void()>> clickMonitors;  // each removes what start() installed
    std::string loggedWinSig;
    std::map<WindowID, std::string> loggedState;
    std::optional<WindowID> protectID;
    std::set<WindowID> forceCovered;
    std::map<WindowID, platform::Rect> lastRect;
    std::optional<WindowID> lastMovedHwnd;  // the chat last seen moving or resizing
    std::map<WindowID, std::string> titles;
    std::map<WindowID, std::string> keys;  // what each chat is stored under
    std::map<WindowID, platform::WindowRef> windowRefs;
    std::set<std::string> excluded;
    std::vector<std::string> appNames;  // protected besides the messenger
    IdleWatcher idle;
    std::int64_t idleSec = 0;
    bool paused = false;
    bool reportChatsWhilePaused = false;

    struct TickView;

    void bringForward(const platform::WindowRef& chat);
    void loadChatSettings();
    void installClickMonitors();
    void endStickyReveal();
    bool clockMatters() const;
    void removeClickMonitors();

    // The tick's steps, in the order they run.
    // A tick for the timer or for a change; only the timer's keep the movement bookkeeping, so
    // what counts as moving is measured over the timer's interval alone.
    void runTick(bool onTimer);
    void tickOnce(bool onTimer);
    bool mayTickNow();
    void changeTick();
    void reportWhilePaused();
    std::vector<KWindow> chatWindows();
    void rememberChats(const std::vector<KWindow>& chats);
    void logWindowSignature(const std::vector<KWindow>& chats);
    void handBackGrace(bool coverDragging);
    std::optional<WindowID> focusedChat(bool coverDragging, const std::set<std::int32_t>& pids,
                                        const std::optional<platform::RunningApp>& front);
    std::optional<WindowID> applyIdle(std::optional<WindowID> focused);
    void updateProtect(std::optional<WindowID> next,
                       const std::optional<platform::RunningApp>& front);
    void endDragReveal(const std::set<WindowID>& liveIDs);
    void keepRevealTargetOnTop(const TickView& view);
    // A window a covered chat's cover must show, and its place in the front-to-back order.
    struct Hole {
        platform::Rect frame;
        int front;
    };
    std::vector<Hole> computeHoles(const TickView& view) const;
    std::vector<platform::Rect> holesFor(const KWindow& w, const TickView& view) const;
    bool anyMoved(const std::vector<KWindow>& chats) const;
    void decide(const KWindow& w, const TickView& view);
    void show(const KWindow& w, DisguiseMode mode, bool covered,
              const std::vector<platform::Rect>& holes);
    void logState(WindowID id, const std::string& state);
    void dropStale(const std::set<WindowID>& liveIDs);
    void recordMovement(const std::vector<KWindow>& chats, const std::set<WindowID>& liveIDs);

    bool revealedNow(WindowID id, std::optional<WindowID> focused) const;
    bool inGrace() const;
    bool movedBeyondTolerance(const KWindow& w) const;
    bool isChat(const OnScreenWin& e) const;
    std::string titleOf(WindowID id) const;

    std::optional<WindowID> focusedChat_;  // this tick's focused chat, for revealedNow
    QTimer* changeTimer_ = nullptr;        // a change tick held back by the gap; while running
    bool ticking_ = false;
    bool changedDuringTick_ = false;
    double lastChangeTick_ = -std::numeric_limits<double>::infinity();
    // Raises of the reveal target the window manager has not acted on; after a few, no more
    // are asked until the target changes or comes on top.
    static constexpr int kRaisesBeforeGivingUp = 3;
    std::optional<WindowID> raisedTarget_;
    int unansweredRaises_ = 0;
};
