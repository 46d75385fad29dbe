// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QImage>

#include "platform/CoverStacking.h"
#include "platform/Input.h"
#include "platform/LoginItem.h"
#include "platform/Screens.h"
#include "platform/WindowTypes.h"

namespace platform::sim {

struct SimApp {
    std::int32_t pid = 0;
    std::string identifier;
    std::string name;
    std::uint32_t uid = 1000;
    bool running = true;
    // Windows this app reports as focused; absent when none is.
    std::optional<std::uint32_t> focusedWindow;
    // Keeps running after a force-terminate (a hung process the kernel has not reaped yet).
    bool survivesTermination = false;
};

struct SimWindow {
    std::uint32_t number = 0;
    std::int32_t pid = 0;
    std::string title;
    Rect frame;  // desktop coordinates
    bool minimized = false;
    WindowRole role = WindowRole::Standard;
    std::int64_t layer = level::kNormal;
    bool onScreen = true;  // false: on another workspace, hidden, not yet mapped
    bool desktop = false;  // a desktop-picture window
    std::optional<QImage> image;
};

struct SimMonitor {
    std::uint64_t mask = 0;
    std::function<void(MouseButton)> handler;
};

struct SimHotKey {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    HotKeyID id;
};

// The whole simulated desktop. Services read and write it; tests arrange it through SimDesktop.
struct SimModel {
    // Applications in launch order; windows by number; stacking front to back.
    std::vector<SimApp> apps;
    std::map<std::uint32_t, SimWindow> windows;
    std::vector<std::uint32_t> stacking;
    std::optional<std::int32_t> frontmostPid;
    std::int32_t ownPid = 100;
    std::uint32_t ownUid = 1000;
    std::optional<std::string> ownIdentifier = std::string("tessavo");
    std::map<std::string, std::string> installed;  // identifier -> location
    std::vector<std::string> followed;             // as the program last named them
    std::map<std::string, std::string> environment;
    std::string configHome;
    std::string temporaryDirectory;

    bool windowsReadable = true;
    bool screenCaptureAllowed = true;

    bool windowListFails = false;
    // Raises are taken but change nothing, as under a tiling window manager.
    bool raisesRefused = false;
    std::uint64_t generation = 0;  // bumped on every change; invalidates the cached list

    std::vector<Screen> screens;
    std::optional<std::size_t> mainScreen = 0;
    std::map<std::uint32_t, std::string> desktopPictures;  // display number -> file

    std::set<std::uint64_t> floating;  // the program's own windows kept at the floating level
    CoverStacking coverStacking = CoverStacking::floating;
    std::map<std::uint64_t, WindowId> stackedAbove;  // own window -> the window it is kept above
    std::map<std::uint64_t, std::optional<std::uint32_t>> backgrounds;
    std::function<void()> windowsChanged;  // told by SimDesktop::announceChange

    double idleSeconds = 0;
    Point mouse;
    std::uint32_t pressedButtons = 0;

    bool refuseMonitors = false;
    std::map<std::uint64_t, SimMonitor> monitors;
    std::map<std::uint64_t, std::function<void(HotKeyID)>> hotKeyHandlers;
    std::map<std::uint64_t, SimHotKey> hotKeys;
    std::set<std::pair<std::uint32_t, std::uint32_t>> hotKeysHeldElsewhere;
    std::uint64_t nextHandle = 1;

    LoginItemStatus loginStatus = LoginItemStatus::NotRegistered;
    std::optional<std::string> registerError;
    std::optional<std::string> unregisterError;

    double now = 1000.0;

    // Every write and action the program made, in order, as readable lines.
    std::vector<std::string> record;

    SimApp* app(std::int32_t pid);
    // The process ends: its windows go, and it stops being frontmost.
    void endApp(std::int32_t pid);
    SimWindow* window(std::uint32_t number);
    void note(std::string line) { record.push_back(std::move(line)); }
};

// A window as the record names it.
std::string describe(const WindowRef& w);

}  // namespace platform::sim
