// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimDesktop.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace platform::sim {

namespace fs = std::filesystem;

SimDesktop::SimDesktop() {
    std::string pattern = (fs::temp_directory_path() / "tessavo-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary directory for the simulated desktop");
    }
    root_ = pattern;
    m_.configHome = root_ + "/config";
    m_.temporaryDirectory = root_ + "/tmp";
    fs::create_directories(m_.configHome);
    fs::create_directories(m_.temporaryDirectory);
    // One 1440 x 900 screen with a 25-point panel along the top, unless a test arranges others.
    m_.screens.push_back({{0, 0, 1440, 900}, {0, 25, 1440, 875}, 1});
    // The program itself is a running application like any other.
    addApp(m_.ownPid, *m_.ownIdentifier, "Tessavo").uid = m_.ownUid;
}

SimDesktop::~SimDesktop() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

SimDesktop& SimDesktop::installFresh() {
    auto desktop = std::make_unique<SimDesktop>();
    SimDesktop& ref = *desktop;
    install(std::move(desktop));
    return ref;
}

SimApp& SimDesktop::addApp(std::int32_t pid, std::string identifier, std::string name) {
    ++m_.generation;
    SimApp app;
    app.pid = pid;
    app.identifier = std::move(identifier);
    app.name = std::move(name);
    m_.apps.push_back(std::move(app));
    return m_.apps.back();
}

SimWindow& SimDesktop::addWindow(SimWindow window) {
    ++m_.generation;
    const std::uint32_t number = window.number;
    std::erase(m_.stacking, number);
    m_.stacking.insert(m_.stacking.begin(), number);
    return m_.windows[number] = std::move(window);
}

SimWindow& SimDesktop::window(std::uint32_t number) {
    ++m_.generation;
    return m_.windows.at(number);
}

void SimDesktop::closeWindow(std::uint32_t number) {
    ++m_.generation;
    m_.windows.erase(number);
    std::erase(m_.stacking, number);
}

void SimDesktop::raise(std::uint32_t number) {
    ++m_.generation;
    std::erase(m_.stacking, number);
    m_.stacking.insert(m_.stacking.begin(), number);
}

void SimDesktop::focus(std::uint32_t number) {
    SimWindow& w = window(number);
    if (SimApp* app = m_.app(w.pid)) {
        app->focusedWindow = number;
    }
    m_.frontmostPid = w.pid;
    raise(number);
}

void SimDesktop::setFrontmost(std::optional<std::int32_t> pid) {
    ++m_.generation;
    m_.frontmostPid = pid;
}

void SimDesktop::quitApp(std::int32_t pid) {
    m_.endApp(pid);
}

void SimDesktop::mouseDown(MouseButton button) {
    const std::uint64_t bit = button == MouseButton::Left    ? mouse::kLeftMouseDownMask
                              : button == MouseButton::Right ? mouse::kRightMouseDownMask
                                                             : mouse::kOtherMouseDownMask;
    // Copy first: a handler may remove monitors.
    auto monitors = m_.monitors;
    for (auto& [handle, monitor] : monitors) {
        if (monitor.mask & bit) {
            monitor.handler(button);
        }
    }
}

bool SimDesktop::pressHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    bool matched = false;
    auto hotKeys = m_.hotKeys;
    auto handlers = m_.hotKeyHandlers;
    for (const auto& [handle, key] : hotKeys) {
        if (key.keyCode == keyCode && key.modifiers == modifiers) {
            matched = true;
            for (auto& [h, handler] : handlers) {
                handler(key.id);
            }
        }
    }
    return matched;
}

}  // namespace platform::sim
