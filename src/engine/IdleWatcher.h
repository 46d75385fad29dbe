// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How long the user has left mouse and keyboard alone.
class IdleWatcher {
  public:
    double idleSeconds() const;
};
