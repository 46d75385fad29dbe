// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace platform {
class Platform;
}

// The debug trace: with TESSAVO_DEBUG=1 the program appends one plain line per decision to
// tessavo.log in the temporary directory. Off (the normal case), the file is never touched.
namespace Log {

inline constexpr const char* kSwitch = "TESSAVO_DEBUG";
inline constexpr const char* kFileName = "tessavo.log";

// Both facts are settled once per process, on first use.
class State {
  public:
    explicit State(platform::Platform& platform);
    ~State();
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    bool enabled() const { return enabled_; }
    void write(const std::string& text);
    const std::string& path() const { return path_; }

  private:
    int handle();

    bool enabled_ = false;
    bool opened_ = false;
    int fd_ = -1;
    std::string path_;
};

// A number as log lines write it: truncated toward zero to a whole number.
std::string whole(double v);

bool enabled();
// `text` plus one line feed, UTF-8, in one write. Control characters in `text` are written as
// escapes (\n, \r, \t, \xNN), so each call makes exactly one line.
void line(const std::string& text);

}  // namespace Log
