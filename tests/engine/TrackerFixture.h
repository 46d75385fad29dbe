// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "SimFixture.h"
#include "engine/WindowTracker.h"
#include "platform/Platform.h"

// A messenger with its main window (1000) and chats 1001..., a third application (700) with one
// window (5000) behind them, the debug log on, and a tracker driven tick by tick.
class TrackerTest : public SimTest {
  protected:
    static constexpr std::int32_t kOther = 700;

    void SetUp() override {
        sim.model().environment["TESSAVO_DEBUG"] = "1";
        platform::sim::addMessenger(sim, {.chats = chats(), .otherWindows = 1});
        sim.window(5000).frame = {1200, 700, 100, 100};  // out of the chats' way
        tracker_ = std::make_unique<WindowTracker>();
    }
    virtual int chats() const { return 2; }

    WindowTracker& tracker() { return *tracker_; }
    void tick() { tracker().tick(); }

    CoverWindow* cover(std::uint32_t id) { return tracker().coverOf(id); }
    // What the user sees of a chat: covered means an opaque cover shows over it.
    bool covered(std::uint32_t id) {
        CoverWindow* c = cover(id);
        return c && c->isVisible() && c->alpha() == 1.0;
    }
    void frontOther() { sim.setFrontmost(kOther); }

    bool logged(const std::string& line) const { return countLogged(line) > 0; }
    int countLogged(const std::string& line) const {
        const std::string all = readFile(sim.model().temporaryDirectory + "/tessavo.log");
        int n = 0;
        for (auto at = all.find(line + "\n"); at != std::string::npos; ++n) {
            at = all.find(line + "\n", at + 1);
        }
        return n;
    }

    std::unique_ptr<WindowTracker> tracker_;
};
