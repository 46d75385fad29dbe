// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Processes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::x11::Processes {

namespace {

std::string readLink(const std::string& path) {
    std::error_code ec;
    std::string target = std::filesystem::read_symlink(path, ec).string();
    // A replaced executable still runs; its link says so.
    const std::string deleted = " (deleted)";
    if (target.size() > deleted.size() &&
        target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0) {
        target.resize(target.size() - deleted.size());
    }
    return ec ? std::string() : target;
}

bool isPid(const std::string& name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

// Read with plain system calls: a look through every process does this for each of them.
std::string commOf(std::int32_t pid) {
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    std::string comm(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (const auto end = comm.find('\n'); end != std::string::npos) {
        comm.resize(end);
    }
    return comm;
}

bool ownerOf(std::int32_t pid, std::uint32_t& uid) {
    struct stat st {};
    if (::stat(("/proc/" + std::to_string(pid)).c_str(), &st) != 0) {
        return false;
    }
    uid = st.st_uid;
    return true;
}

std::vector<ProcessInfo> list() {
    std::vector<ProcessInfo> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (!isPid(name) || name.size() > 9) {
            continue;
        }
        ProcessInfo p;
        p.pid = std::stoi(name);
        if (!ownerOf(p.pid, p.uid)) {
            continue;  // ended while we looked
        }
        p.comm = commOf(p.pid);
        p.exe = readLink(entry.path().string() + "/exe");
        out.push_back(std::move(p));
    }
    return out;
}

std::string ownExecutable() {
    return readLink("/proc/self/exe");
}

}  // namespace platform::x11::Processes
