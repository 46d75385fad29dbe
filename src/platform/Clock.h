// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Wall-clock time in seconds. Tests drive it by hand, so timing rules run without sleeping.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() = 0;
    // Block the calling thread (only used before the event loop runs).
    virtual void sleep(double seconds) = 0;
};

}  // namespace platform
