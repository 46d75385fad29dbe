// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace platform::x11 {

// The command socket of sway (and i3-compatible compositors) named by $SWAYSOCK. Sway places a
// managed X window where it likes (centred, floating) whatever the window asks: only its own
// commands move one. Every failure (no socket, a compositor that went away, a slow answer)
// leaves the connection closed; the next command tries to open it again.
class SwayIpc {
  public:
    // Uses the socket named by $SWAYSOCK; none: every command fails.
    SwayIpc();
    explicit SwayIpc(std::string socketPath) : path_(std::move(socketPath)) {}
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    bool available() const { return !path_.empty(); }
    // Runs one command line and waits briefly for its answer; true when sway said it succeeded.
    bool run(const std::string& command);

  private:
    bool open();
    void close();
    bool send(std::uint32_t type, const std::string& payload);
    bool receive(std::string& payload);

    std::string path_;
    int fd_ = -1;
};

}  // namespace platform::x11
