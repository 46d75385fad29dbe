// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Settings.h"
#include "engine/TrackerFixture.h"
#include "switcher/ChatSwitcher.h"

// The messenger's main window (1000) and chats 1001..1003 titled "채팅 1".."채팅 3", first seen
// in that order, another application in front, and a chat switcher following the tracker's
// ticks, one of which has run.
class SwitcherTest : public TrackerTest {
  protected:
    int chats() const override { return 3; }
    void SetUp() override {
        TrackerTest::SetUp();
        for (std::uint32_t id : {1003u, 1002u, 1001u}) {
            sim.raise(id);  // front to back: 1001, 1002, 1003, then the main window
        }
        frontOther();
        switcher_ = new ChatSwitcher(tracker());  // a child of the tracker
        tick();
    }

    ChatSwitcher& switcher() { return *switcher_; }

    ChatSwitcher* switcher_ = nullptr;
};
