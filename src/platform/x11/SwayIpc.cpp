// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/SwayIpc.h"

#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::x11 {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeader = sizeof(kMagic) + 8;
constexpr std::uint32_t kRunCommand = 0;
constexpr int kAnswerWaitMs = 100;  // sway answers in well under a millisecond
constexpr std::uint32_t kLongestAnswer = 1 << 20;

// Reads exactly `n` bytes, waiting no longer than the deadline for each part.
bool readFully(int fd, char* to, std::size_t n) {
    while (n > 0) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kAnswerWaitMs) != 1) {
            return false;
        }
        const ssize_t got = ::read(fd, to, n);
        if (got <= 0) {
            return false;
        }
        to += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

SwayIpc::SwayIpc() {
    if (const char* path = std::getenv("SWAYSOCK"); path && *path) {
        path_ = path;
    }
}

SwayIpc::~SwayIpc() {
    close();
}

bool SwayIpc::open() {
    if (fd_ >= 0) {
        return true;
    }
    sockaddr_un address{};
    if (path_.empty() || path_.size() >= sizeof(address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return false;
    }
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close();
        return false;
    }
    return true;
}

void SwayIpc::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool SwayIpc::send(std::uint32_t type, const std::string& payload) {
    std::string message(kMagic, sizeof(kMagic));
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message += payload;
    return ::send(fd_, message.data(), message.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(message.size());
}

bool SwayIpc::receive(std::string& payload) {
    char header[kHeader];
    if (!readFully(fd_, header, kHeader) || std::memcmp(header, kMagic, sizeof(kMagic)) != 0) {
        return false;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, header + sizeof(kMagic), 4);
    if (length > kLongestAnswer) {
        return false;
    }
    payload.resize(length);
    return readFully(fd_, payload.data(), length);
}

bool SwayIpc::run(const std::string& command) {
    if (!open()) {
        return false;
    }
    std::string answer;
    if (!send(kRunCommand, command) || !receive(answer)) {
        close();  // out of step with the compositor: start afresh next time
        return false;
    }
    // One result per command, each {"success": true} or false with an error.
    return answer.find("\"success\": false") == std::string::npos &&
           answer.find("\"success\":false") == std::string::npos;
}

}  // namespace platform::x11
