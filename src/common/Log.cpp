// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Log.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Platform.h"

namespace Log {

namespace {

// Texts carry window titles, which other programs choose: a line feed in one would forge a whole
// line. Control characters are written as escapes; every other byte, UTF-8 included, as it is.
void appendEscaped(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (c) {
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
    }
}

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

std::string asOneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 1);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (isControl(c)) {
            appendEscaped(out, c);
        } else {
            out += ch;
        }
    }
    out += '\n';
    return out;
}

}  // namespace

State::State(platform::Platform& platform) {
    const auto value = platform.workspace().environment(kSwitch);
    enabled_ = value && *value == "1";
    path_ = platform.workspace().temporaryDirectory() + "/" + kFileName;
}

State::~State() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

// The log lives in a world-writable directory, so its name may already be taken by a link or by
// someone else's file. Only our own leftover is removed; the new file is created exclusively,
// never through a link, readable by us alone. Any failure leaves no handle and logging silent.
int State::handle() {
    if (opened_) {
        return fd_;
    }
    opened_ = true;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && st.st_uid == ::geteuid() && !S_ISDIR(st.st_mode)) {
        ::unlink(path_.c_str());
    }
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    return fd_;
}

void State::write(const std::string& text) {
    if (!enabled_) {
        return;
    }
    const int fd = handle();
    if (fd < 0) {
        return;
    }
    const std::string bytes = asOneLine(text);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // a failing write is not reported
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string whole(double v) {
    return std::to_string(platform::truncatedInt(v));
}

bool enabled() {
    return platform::current().state<State>().enabled();
}

void line(const std::string& text) {
    platform::current().state<State>().write(text);
}

}  // namespace Log
