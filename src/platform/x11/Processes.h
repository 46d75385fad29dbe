// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::x11 {

// Running processes as /proc shows them. Other users' executables may be unreadable; their
// `exe` is then empty.
struct ProcessInfo {
    std::int32_t pid = 0;
    std::uint32_t uid = 0;
    std::string comm;  // the kernel's short name (at most 15 bytes)
    std::string exe;   // the executable's path
};

namespace Processes {
std::vector<ProcessInfo> list();
std::string ownExecutable();
// The process's owner, or absent when it is gone.
bool ownerOf(std::int32_t pid, std::uint32_t& uid);
std::string commOf(std::int32_t pid);
}  // namespace Processes

}  // namespace platform::x11
