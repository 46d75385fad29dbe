// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Process start: make sure this is the only running copy of the program for this user; and
// starting the program when the user logs in.
namespace Startup {

inline constexpr double kTerminationWait = 1.0;   // seconds
inline constexpr double kTerminationPoll = 0.05;  // seconds

// Kills this user's other running copies at once and waits up to one second for them to go.
// Other users' copies are never touched.
void enforceSingleInstance();

// Turns start at login on or off. A failure goes to the system log only; the login item's own
// status stays the truth.
void set(bool on);

}  // namespace Startup
